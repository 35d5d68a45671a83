#include "app/TrayControls.h"

#include "app/MainMenus.h"
#include "app/ProgramIcon.h"
#include "app/Tray.h"
#include "mail/MailList.h"
#include "pop3/MailChecker.h"
#include "store/VisibleText.h"

#include <QAction>
#include <QWidget>

namespace mervantic {

namespace {

QString newMailCount(int fresh) {
    return QString::number(fresh) + QStringLiteral(" New Mail Item") +
           (fresh == 1 ? QString() : QStringLiteral("s"));
}

QString failedCount(int failed) {
    return QString::number(failed) + QStringLiteral(" Account") +
           (failed == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" Failed");
}

QString accountOf(const MailItem& item) {
    return item.username() + QLatin1Char('\n') + item.server() + QLatin1Char('\n') + item.port();
}

} // namespace

TrayControls::TrayControls(Parts parts)
    : QObject(&parts.window)
    , m_tray(parts.tray)
    , m_window(parts.window)
    , m_menus(parts.menus)
    , m_mail(parts.mail)
    , m_bringWindowToFront(std::move(parts.bringWindowToFront)) {
    Tray& tray = m_tray;
    connect(&tray, &Tray::clicked, this, [this] {
        if (m_window.isVisible())
            m_window.hide();
        else
            showWindow();
    });
    connect(m_menus.trayOpen, &QAction::triggered, this, &TrayControls::showWindow);
    connect(&tray, &Tray::openChosen, this, &TrayControls::showWindow);
    connect(&tray, &Tray::seenChosen, &m_mail, &MailList::markAllSeen);
    connect(m_menus.trayClose, &QAction::triggered, this, std::move(parts.closeProgram));
    connect(&m_window, &QWidget::windowTitleChanged, this,
            [this] { m_tray.setToolTip(toolTip()); });
    // While the alarm sounds, the icon shows that new mail waits.
    connect(&parts.checker.alarm(), &NewMailAlarm::shown, this, [this](bool sounding) {
        if (m_tray.shown())
            m_tray.setIcon(sounding ? newMailIcon() : m_window.windowIcon());
    });
    connect(&parts.checker.runs(), &RunTracker::ended, this, [this](const RunEnd& how) {
        // A check halted before it began has found nothing to tell of.
        if (how.run == RunPhase::Checking && how.began)
            checkEnded();
    });
}

void TrayControls::addIcon() {
    if (m_tray.available())
        m_tray.show(m_window.windowIcon(), toolTip(), m_menus.tray);
}

void TrayControls::showWindow() {
    m_bringWindowToFront();
}

QString TrayControls::toolTip() const {
    QString tip = m_window.windowTitle();
    if (const int fresh = m_mail.newMessageCount(); fresh > 0)
        tip += QLatin1Char('\n') + newMailCount(fresh);
    if (const int failed = m_mail.failureRowCount(); failed > 0)
        tip += QLatin1Char('\n') + failedCount(failed);
    return tip;
}

bool TrayControls::windowInView() const {
    return m_window.isVisible() && !m_window.isMinimized() && m_window.isActiveWindow();
}

void TrayControls::checkEnded() {
    m_tray.setToolTip(toolTip());
    // What came, as plain text: how many, then the first few senders and subjects.
    constexpr int kListed = 3;
    QStringList lines;
    if (const int fresh = m_mail.newMessageCount(); fresh > 0) {
        lines << newMailCount(fresh);
        int listed = 0;
        for (const MailItem& item : m_mail.rows()) {
            if (item.icon != MailIcon::New || !item.isMessage())
                continue;
            if (++listed > kListed) {
                lines << QStringLiteral("...");
                break;
            }
            lines << visibleText(item.from()) + QStringLiteral(": ") + visibleText(item.subject());
        }
    }
    // Accounts that began to fail, with why; a cancelled check (an emptied list) says nothing of
    // them either way.
    if (!m_mail.isEmpty()) {
        QSet<QString> failing;
        QStringList newlyFailing;
        for (const MailItem& item : m_mail.rows()) {
            if (!item.isFailure())
                continue;
            failing.insert(accountOf(item));
            if (!m_failing.contains(accountOf(item)))
                newlyFailing << visibleText(item.displayName().isEmpty() ? item.username()
                                                                         : item.displayName()) +
                                    QStringLiteral(": ") + visibleText(item.subject());
        }
        m_failing = failing;
        if (!newlyFailing.isEmpty()) {
            lines << failedCount(m_mail.failureRowCount());
            lines << newlyFailing.mid(0, kListed);
            if (newlyFailing.size() > kListed)
                lines << QStringLiteral("...");
        }
    }
    if (lines.isEmpty() || windowInView() || !m_tray.canNotify())
        return;
    m_tray.notify(QStringLiteral("Mervantic"), lines.join(QLatin1Char('\n')));
}

} // namespace mervantic
