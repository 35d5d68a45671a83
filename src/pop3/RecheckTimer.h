#pragma once

#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "pop3/RunTracker.h"
#include "pop3/RunView.h"
#include "store/Options.h"

#include <QObject>
#include <QTimer>

namespace mervantic {

// The timed re-check: a tick once a minute counts the minutes since the last check and starts a
// check when the interval (the "How Often To Re-Check For Mail" minutes) has passed. It is off
// at start; the user switches it on and off, or a check run switches it on ("Auto-Start Timer").
// A tick is held while a run keeps the program busy, and with "Idle If Offline" it waits, one
// minute short of the interval, until the computer is on-line.
class RecheckTimer : public QObject {
    Q_OBJECT

public:
    // The countdown box's tool tip, which changes only at the moments named in tick(), toggle(),
    // autoStart() and the interval steps.
    enum class ToolTip { Off, On, Idle };

    static constexpr int kMinuteMs = 60000;

    // What it works with.
    struct Context {
        const Clock& clock;
        Connectivity& connectivity;
        Options& options;
        RunView& view;
        const RunTracker& runs;
    };

    explicit RecheckTimer(Context context, QObject* parent = nullptr);

    bool isOn() const { return m_ticks.isActive(); }
    int elapsed() const { return m_elapsed; }
    int interval() const { return m_context.options.recheckMinutes; }

    // The minute tick.
    void tick();
    // A double click on the countdown box.
    void toggle();
    // At the start of every check run.
    void autoStart();
    // A check run started or moved to its next account: the minutes count from now.
    void restart();
    // A check run ended, completed or halted.
    void runEnded();
    // A step of the interval's "<" or ">" buttons, within the interval's range.
    void stepInterval(int minutes);
    // The interval button was let go: a lowered interval the minutes have already reached
    // starts the check at once.
    void intervalButtonReleased(bool down);
    // Sets the interval back to its default (the settings page's defaults).
    void intervalReset();
    // The computer woke from a suspend, or its network came back: no tick came meanwhile. The
    // minutes that passed count, and a check whose time has come starts at once.
    void wokeUp();

    // Shortened by tests.
    void setTickInterval(int ms) { m_ticks.setInterval(ms); }

Q_SIGNALS:
    // The countdown box's text (minutes left, "", "Idle" or "0") and whether it looks switched on.
    void countdownShown(const QString& text, bool on);
    void toolTipChanged(mervantic::RecheckTimer::ToolTip tip);
    void intervalShown(int minutes);
    // A timed check is due: the controller starts it.
    void checkDue();

private:
    void switchOn();
    void showMinutesLeft();
    // The minutes count from zero, now.
    void countFromNow();

    Context m_context;
    QTimer m_ticks;
    int m_elapsed = 0;
    // When the minutes counted began, on the clock of the day: it goes on while the computer
    // sleeps, when the ticks do not.
    QDateTime m_countFrom;
};

} // namespace mervantic
