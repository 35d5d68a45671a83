#include "app/CloseSequence.h"

#include "app/LogPane.h"
#include "app/StatusBar.h"
#include "app/Tray.h"
#include "pop3/MailChecker.h"
#include "store/Settings.h"

namespace mervantic {

namespace {
const QString kDelayed = QStringLiteral("Window Close Delayed To Close Server Connection.");
}

CloseSequence::CloseSequence(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts)) {
    m_delay.setInterval(kTickMs);
    connect(&m_delay, &QTimer::timeout, this, &CloseSequence::tick);
}

bool CloseSequence::closeRequested(Reason reason) {
    m_parts.saveAccounts();
    // Without a notification area the window is minimized instead of hidden; closing it once
    // more, from its minimized state, closes it, so that the user can always end the program.
    const bool hideable = m_parts.tray.shown() || !m_parts.window.isMinimized();
    if (reason == Reason::User && m_parts.settings.trayActive && hideable) {
        hideToTray();
        return false;
    }
    const RunPhase phase = m_parts.checker.phase();
    if (reason == Reason::User && phase != RunPhase::Idle && phase != RunPhase::Closing) {
        m_ticks = 1;
        m_parts.checker.stopForClose();
        m_delay.start();
        return false;
    }
    closeForReal();
    return true;
}

void CloseSequence::hideToTray() {
    QWidget& window = m_parts.window;
    if (m_parts.tray.shown()) {
        window.hide();
        return;
    }
    // Without a notification area a hidden window could never be brought back.
    window.showMinimized();
    if (!m_toldNoTray) {
        m_toldNoTray = true;
        m_parts.log.append(QStringLiteral(
            "..This Desktop Has No Notification Area: The Window Is Minimized Instead"));
    }
}

void CloseSequence::tick() {
    ++m_ticks;
    if (m_parts.checker.phase() != RunPhase::Idle) {
        if (m_ticks > kMessageAfterTicks) {
            m_parts.log.replaceAll(kDelayed);
            m_parts.status.showText(kDelayed);
        }
        if (m_ticks <= kForcedCloseAfterTicks)
            return;
    }
    m_delay.stop();
    m_parts.closeByProgram();
}

void CloseSequence::closeForReal() {
    m_delay.stop();
    m_parts.takeWindowValues();
    m_parts.saveSettings();
    m_parts.closeSecondaryWindows();
    m_parts.tray.remove();
}

} // namespace mervantic
