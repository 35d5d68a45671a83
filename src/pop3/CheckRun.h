#pragma once

#include "mail/MailList.h"
#include "platform/Beeper.h"
#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "pop3/ConversationEvents.h"
#include "pop3/LoginDelays.h"
#include "pop3/RunLog.h"
#include "pop3/RunTracker.h"
#include "pop3/SessionState.h"
#include "store/AccountList.h"
#include "store/Options.h"

#include <QObject>

namespace mervantic {

class ConnectionControl;
class HeaderExtraction;

// The fields of a check run kept beside the conversation.
struct CheckRunFields {
    std::int32_t firstAccountIndex = 0;
    std::int32_t lastAccountIndex = 0;
    std::int32_t accountIndex = 0;
    // "(no mail)" rows added in this run, which the total leaves out.
    std::int32_t noMailRows = 0;
    // The display names of the accounts whose check failed in this run; each has a failure row,
    // which no total counts.
    QStringList failedAccounts;
    // The first row of the account being checked.
    std::int32_t accountFirstRow = 0;
    // The date display format in force when the run started.
    std::int32_t runDateFormat = 1;
    // The run was started by the re-check timer.
    bool timed = false;
};

// The check-mail run: visits the chosen accounts one after the other and reports how many new
// messages were found. `run()` starts the run and is called again each time a conversation has
// ended; each call connects to the next account and returns, or finishes the run.
class CheckRun : public QObject, public ConversationEvents {
    Q_OBJECT

public:
    // What it works with.
    struct Context {
        RunTracker& runs;
        RunLog& log;
        SessionState& session;
        ConnectionControl& connection;
        HeaderExtraction& headers;
        Connectivity& connectivity;
        Beeper& beeper;
        Options& options;
        const AccountList& accounts;
        MailList& mail;
        const Clock& clock;
        const LoginDelays& loginDelays;
        // Which accounts the timed re-checks leave out.
        const ConnectionSettings& connections;
    };

    explicit CheckRun(Context context, QObject* parent = nullptr);

    void run();
    // The conversation with the current account is over: its outcome is shown, then the run
    // goes on.
    void conversationOver();
    const CheckRunFields& fields() const { return m_fields; }
    // The next run is the re-check timer's: it leaves alone the accounts whose server asked
    // for a longer time between log-ons (LOGIN-DELAY) than has passed.
    void setNextRunTimed(bool timed) { m_nextRunTimed = timed; }

    // What the conversation reports while this run drives it.
    void mailboxEmpty() override;
    AfterMessage messageRead(const ReadMessage& message) override;
    bool wantsMoreMessages() override;
    void cancelledAfterMessage() override;
    bool deleteAccepted() override { return false; }
    void quitAccepted() override {}

Q_SIGNALS:
    // The timed re-check starts counting its interval again (a run starts or moves on).
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
    void refuseDuringDeleteRun();
    void clearRunFields();
    // Leaves the run: the one way out, after the run's own state is cleared.
    void leave(RunEnd::Outcome outcome, const QString& text);
    // A failed account gets its row; one read to the end is remembered as seen or new.
    void recordAccount();
    // A timed run: keeps the rows of the accounts it will leave alone, before the list is
    // emptied.
    void keepRowsOfDelayedAccounts();
    // Shows the kept rows of the current account instead of checking it; false when it is
    // checked.
    bool leftAlone();
    // An account whose record is damaged: given up before any connection, the run goes on.
    void skipDamaged(const AccountRow& account);

    Context m_context;
    CheckRunFields m_fields;
    bool m_nextRunTimed = false;
    // The accounts a timed run leaves alone, with their rows of the last check.
    std::vector<std::pair<MailboxAddress, std::vector<MailItem>>> m_leftAlone;
};

} // namespace mervantic
