#pragma once

#include "mail/DeletionPlan.h"
#include "mail/MailList.h"
#include "platform/Connectivity.h"
#include "pop3/ConversationEvents.h"
#include "pop3/RunLog.h"
#include "pop3/RunTracker.h"
#include "pop3/SessionState.h"
#include "store/AccountList.h"
#include "store/Options.h"

#include <QObject>

#include <vector>

namespace mervantic {

class ConnectionControl;

// The delete-mail run: deletes from their servers the messages whose rows the user ticked. The
// ticked rows are grouped into account blocks (see DeletionPlan); the run logs on to each block's
// account in turn, reads the messages' headers in order, recognises a ticked message by its
// identity (its mailbox, From, Subject, the date as sent and the Message-ID: what the check's
// seen memory knows it by) and sends DELE for it. `run()` starts the run and is called again
// each time a conversation has ended.
//
// A message counts as deleted only once the server has accepted QUIT: until then POP3 keeps it.
// A conversation that ends any other way (a time-out, a reset, "-ERR", a cancel) gives its rows
// back their ordinary mark, and they stay in the list.
class DeleteRun : public QObject, public ConversationEvents {
    Q_OBJECT

public:
    // What it works with.
    struct Context {
        RunTracker& runs;
        RunLog& log;
        SessionState& session;
        ConnectionControl& connection;
        Connectivity& connectivity;
        const Options& options;
        MailList& mail;
    };

    explicit DeleteRun(Context context, QObject* parent = nullptr);

    // The "Delete Mail" button: its refusals, its confirmation, then the run.
    void deleteMailButton();
    void run();
    // The conversation with the current account is over: what it did is taken in, then the run
    // goes on.
    void conversationOver();

    // What the conversation reports while this run drives it.
    void mailboxEmpty() override {}
    AfterMessage messageRead(const ReadMessage& message) override;
    bool wantsMoreMessages() override { return true; }
    void cancelledAfterMessage() override;
    bool deleteAccepted() override;
    void quitAccepted() override;

private:
    // One call of the run: its refusals, then the start or the next block.
    void step();
    void start();
    void continueRun();
    void connectToBlock();
    void finish();
    void halt(const QString& reason);
    void cancelled();
    // The delete run's confirmation ends without a run: the button said why already.
    void decline();
    void clearRunState();
    // Leaves the run: the one way out, after the run's own state is cleared.
    void leave(RunEnd::Outcome outcome, const QString& text);
    // Rows marked "D" whose deletion the server did not commit become ordinary rows again.
    void keepUncommittedRows();

    Context m_context;
    DeletionPlan m_plan;
    // The block of the account being visited.
    std::size_t m_block = 0;
    // DELE commands sent in the current account, and the row the last one was for.
    int m_deletedCount = 0;
    int m_matchedRow = 0;
    // Rows whose DELE the server accepted in this conversation, not yet committed by QUIT.
    std::vector<int> m_uncommitted;
    bool m_quitAccepted = false;
    // The display names of the accounts whose deletions were not committed.
    QStringList m_failedAccounts;
};

} // namespace mervantic
