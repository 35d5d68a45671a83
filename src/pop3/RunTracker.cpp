#include "pop3/RunTracker.h"

#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "pop3/RunView.h"
#include "store/Options.h"

namespace mervantic {

RunTracker::RunTracker(RunView& view, const Clock& clock, Options& options, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_clock(clock)
    , m_options(options) {}

RunPhase RunTracker::phase() const {
    return m_closing && m_run != RunPhase::Idle ? RunPhase::Closing : m_run;
}

void RunTracker::begin(RunPhase run) {
    moveTo(run);
}

void RunTracker::closeAfterRun() {
    if (m_run == RunPhase::Idle || m_closing)
        return;
    m_closing = true;
}

void RunTracker::end(RunEnd how) {
    how.began = m_run == how.run;
    if (how.outcome != RunEnd::Outcome::Declined) {
        m_view.logEndRun();
        if (how.outcome == RunEnd::Outcome::Completed)
            reportCompletion(how.text);
        else
            reportHalt(how.text);
    }
    m_closing = false;
    moveTo(RunPhase::Idle);
    Q_EMIT ended(how);
}

void RunTracker::moveTo(RunPhase run) {
    m_run = run;
    m_view.runPhaseChanged(phase(), m_options.deleteEnabled && run == RunPhase::Idle);
}

void RunTracker::reportCompletion(const QString& text) {
    // A log line, the status bar with the time, and that time kept as the last check, which
    // the caption shows.
    m_view.logAppend(text);
    const QDateTime now = m_clock.now();
    m_view.showStatus(DateTimeText::stamp(now) + text);
    m_options.lastCheckTime = now;
    m_view.setCaption(QStringLiteral("Mervantic email - last check: ") +
                      DateTimeText::general(now));
}

void RunTracker::reportHalt(const QString& reason) {
    // A log line, the status bar with the time, and a message box unless the window is closing.
    const QString text = QStringLiteral("..Process Halted: ") + reason;
    m_view.logAppend(text);
    m_view.showStatus(DateTimeText::stamp(m_clock.now()) + text);
    if (!m_closing)
        m_view.showMessage(QStringLiteral("Process Halted: ") + reason);
}

} // namespace mervantic
