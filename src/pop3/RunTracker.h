#pragma once

#include "pop3/RunState.h"

#include <QObject>

namespace mervantic {

class Clock;
class RunView;
struct Options;

// The phase of the program's runs, kept here alone and moved here alone. A run begins from
// idle, and every run leaves by end(): the one way out, which tells the user how it ended (the
// completion line, or the halt with a message box unless the window is closing), goes back to
// idle and lets the window, the icon and the timer know.
class RunTracker final : public QObject {
    Q_OBJECT

public:
    RunTracker(RunView& view, const Clock& clock, Options& options, QObject* parent = nullptr);

    // What the window, the icon and the timer see.
    RunPhase phase() const;
    bool idle() const { return m_run == RunPhase::Idle; }
    bool checking() const { return m_run == RunPhase::Checking; }
    bool deleting() const { return m_run == RunPhase::Deleting; }

    // A run, or the delete run's confirmation, begins (Confirming, Checking or Deleting); the
    // delete run begins from its confirmation.
    void begin(RunPhase run);
    // The window's close waits for the run in progress; nothing when there is none.
    void closeAfterRun();
    // The one way out.
    void end(RunEnd how);
    // A halt said without ending anything: a run refused while another goes on.
    void reportHalt(const QString& reason);

Q_SIGNALS:
    void ended(const mervantic::RunEnd& how);

private:
    void reportCompletion(const QString& text);
    void moveTo(RunPhase run);

    RunView& m_view;
    const Clock& m_clock;
    Options& m_options;
    RunPhase m_run = RunPhase::Idle;
    bool m_closing = false;
};

} // namespace mervantic
