#pragma once

#include "pop3/RunContext.h"

#include <QObject>

namespace mervantic {

class ConnectionControl;

// The check-mail run: visits the chosen accounts one after the other and reports how many new
// messages were found. `run()` starts the run and is called again each time a conversation has
// ended; each call connects to the next account and returns, or finishes the run.
class CheckRun : public QObject {
    Q_OBJECT

public:
    CheckRun(RunContext& context, ConnectionControl& connection, QObject* parent = nullptr);

    void run();

Q_SIGNALS:
    // The timed re-check starts counting its interval again.
    void countdownReset();
    // The timed re-check should start if it is not running ("Auto-Start Timer").
    void autoStartRequested();
    // The run ended with new mail while the continuous alarm is chosen.
    void continuousAlarmRequested();

private:
    void start();
    void continueRun();
    void connectToAccount();
    void finish();
    void halt(const QString& reason);
    void cancelled();
    void clearRunFields();

    RunContext& m_context;
    ConnectionControl& m_connection;
};

} // namespace mervantic
