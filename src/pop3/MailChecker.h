#pragma once

#include "pop3/CheckRun.h"
#include "pop3/ConnectionControl.h"
#include "pop3/Conversation.h"
#include "pop3/DeleteRun.h"
#include "pop3/HeaderExtraction.h"
#include "pop3/NewMailAlarm.h"
#include "pop3/RecheckTimer.h"
#include "pop3/RunLog.h"
#include "pop3/RunTracker.h"
#include "pop3/SessionState.h"

#include <QObject>

namespace mervantic {

// The core of the program: owns the phase of the runs and the one connection, and drives check
// runs from the user's clicks, the first showing of the window and the timed re-check, and the
// delete run from its button. The window forwards clicks to it, renders what it says through
// RunView and observes its phase; so do the icon and the closing.
class MailChecker : public QObject, private ConversationEvents {
    Q_OBJECT

public:
    MailChecker(Socket& socket, Clock& clock, Connectivity& connectivity, Beeper& beeper,
                RunView& view, Options& options, AccountList& accounts, MailList& mail,
                ConnectionSettings& connections, QObject* parent = nullptr);

    // The "Check Mail" button.
    void checkMailButton();
    // The check that starts when the window first opens with "Automatically Check Mail".
    void checkOnOpen();
    // The "Cancel" button: the run stops at its next chance.
    void cancel();
    // The "Delete Mail" button.
    void deleteMailButton();
    // The window's close waits for the run in progress: it is asked to stop, and the phase is
    // Closing until it has.
    void stopForClose();

    RunPhase phase() const { return m_runs.phase(); }
    // Where the phase is kept; its signals say when it moves and how each run ended.
    const RunTracker& runs() const { return m_runs; }
    // For tests and benchmarks: the conversation state and the check run's fields.
    const SessionState& session() const { return m_session; }
    const CheckRunFields& checkRunFields() const { return m_checkRun.fields(); }
    ConnectionControl& connection() { return m_connection; }
    CheckRun& checkRun() { return m_checkRun; }
    DeleteRun& deleteRun() { return m_deleteRun; }
    RecheckTimer& recheck() { return m_recheck; }
    NewMailAlarm& alarm() { return m_alarm; }

    // The time between log-ons each server asked for (LOGIN-DELAY), as last heard.
    const LoginDelays& loginDelays() const { return m_loginDelays; }

private:
    // The check the timed re-check starts.
    void timedCheck();

    // The conversation reports to the run in progress.
    ConversationEvents& activeRun();
    void mailboxEmpty() override { activeRun().mailboxEmpty(); }
    AfterMessage messageRead(const ReadMessage& message) override {
        return activeRun().messageRead(message);
    }
    bool wantsMoreMessages() override { return activeRun().wantsMoreMessages(); }
    void cancelledAfterMessage() override { activeRun().cancelledAfterMessage(); }
    bool deleteAccepted() override { return activeRun().deleteAccepted(); }
    void quitAccepted() override { activeRun().quitAccepted(); }

    SessionState m_session;
    LoginDelays m_loginDelays;
    RunLog m_log;
    RunTracker m_runs;
    ConnectionControl m_connection;
    HeaderExtraction m_headers;
    Conversation m_conversation;
    CheckRun m_checkRun;
    DeleteRun m_deleteRun;
    RecheckTimer m_recheck;
    NewMailAlarm m_alarm;
};

} // namespace mervantic
