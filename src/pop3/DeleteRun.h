#pragma once

#include "pop3/ConversationEvents.h"
#include "pop3/RunContext.h"

#include <QObject>

#include <vector>

namespace mervantic {

class ConnectionControl;
struct CheckRunFields;

// The ticked rows of one account that follow each other in the mail list: the delete run logs
// on to the account once for them.
struct AccountBlock {
    int tickedRows = 0;
    QString username;
    QString password;
    QString server;
    QString port;
    // Rows of the list, counted from 1.
    int firstRow = 0;
    int lastRow = 0;
    // The run logged on, read what it needed and the server confirmed it with QUIT.
    bool visited = false;
};

// The delete-mail run: deletes from their servers the messages whose rows the user ticked. The
// ticked rows are grouped into account blocks; the run logs on to each block's account in turn,
// reads the messages' headers in order, recognises a ticked message by seven fields (user name,
// From, Subject, the date as the last check showed it, server, port, Message-ID) and sends DELE
// for it. `run()` starts the run and is called again each time a conversation has ended.
//
// A message counts as deleted only once the server has accepted QUIT: until then POP3 keeps it.
// A conversation that ends any other way (a time-out, a reset, "-ERR", a cancel) gives its rows
// back their ordinary mark, and they stay in the list.
class DeleteRun : public QObject, public ConversationEvents {
    Q_OBJECT

public:
    DeleteRun(RunContext& context, ConnectionControl& connection, const CheckRunFields& checkRun,
              QObject* parent = nullptr);

    // The "Delete Mail" button: its refusals, its confirmation, then the run.
    void deleteMailButton();
    void run();
    // The conversation with the current account is over: what it did is taken in, then the run
    // goes on.
    void conversationOver();

    const std::vector<AccountBlock>& blocks() const { return m_blocks; }

    // What the conversation reports while this run drives it.
    void mailboxEmpty() override {}
    AfterMessage messageRead(QByteArrayView message, std::int32_t number) override;
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
    void restoreControls();
    void clearRunState();
    void buildBlocks();
    // Rows marked "D" whose deletion the server did not commit become ordinary rows again.
    void keepUncommittedRows();
    // Removes the rows the server deleted; an account whose every row went keeps one
    // "(no mail)" row where its first row was. Returns how many messages were deleted.
    int takeDeletedRowsOut();
    // Ticked rows of accounts the run visited whose message was not on the server.
    int rowsNotFound() const;

    RunContext& m_context;
    ConnectionControl& m_connection;
    const CheckRunFields& m_checkRun;
    std::vector<AccountBlock> m_blocks;
    // The block of the account being visited, an index into m_blocks.
    std::size_t m_block = 0;
    // DELE commands sent in the current account, and the row the last one was for.
    int m_deletedCount = 0;
    int m_matchedRow = 0;
    // Rows whose DELE the server accepted in this conversation, not yet committed by QUIT.
    std::vector<int> m_uncommitted;
    bool m_quitAccepted = false;
    int m_failedAccounts = 0;
};

} // namespace mervantic
