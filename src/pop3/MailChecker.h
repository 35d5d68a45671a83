#pragma once

#include "pop3/CheckRun.h"
#include "pop3/ConnectionControl.h"
#include "pop3/Conversation.h"
#include "pop3/HeaderExtraction.h"
#include "pop3/RunContext.h"

#include <QObject>

namespace mervantic {

// The core of the program: owns the state of the run in progress and the one connection, and
// drives check runs from the user's clicks, the first showing of the window and the timed
// re-check. The main window forwards clicks to it and renders what it says through RunView.
class MailChecker : public QObject, private RunDriver {
    Q_OBJECT

public:
    MailChecker(Socket& socket, Clock& clock, Connectivity& connectivity, Beeper& beeper,
                RunView& view, Options& options, AccountList& accounts, MailList& mail,
                QObject* parent = nullptr);

    // The "Check Mail" button.
    void checkMailButton();
    // The check that starts when the window first opens with "Automatically Check Mail".
    void checkOnOpen();
    // The "Cancel" button: the run stops at its next chance.
    void cancel();

    int runBusy() const { return m_context.runBusy; }
    void setRunBusy(int value) { m_context.runBusy = value; }
    const SessionState& session() const { return m_context.session; }
    const CheckRunFields& checkRunFields() const { return m_context.checkRun; }
    ConnectionControl& connection() { return m_connection; }
    CheckRun& checkRun() { return m_checkRun; }

private:
    void advanceRun() override;
    void prepareRunStart();

    RunContext m_context;
    ConnectionControl m_connection;
    HeaderExtraction m_headers;
    Conversation m_conversation;
    CheckRun m_checkRun;
};

} // namespace mervantic
