#pragma once

#include "mail/MessageIdentity.h"

#include <QHash>
#include <QString>
#include <QVarLengthArray>

#include <vector>

namespace mervantic {

class MailList;

// The ticked rows of one account that follow each other in the mail list: the delete run logs
// on to the account once for them. Rows of the same account apart in the list (another
// account's ticked rows between them) are two blocks.
struct AccountBlock {
    int tickedRows = 0;
    // As the account's rows show it, so that the log names the account as a check does.
    QString displayName;
    QString username;
    QString password;
    QString server;
    QString port;
    // Rows of the list, counted from 1.
    int firstRow = 0;
    int lastRow = 0;
    // The run logged on, read what it needed and the server confirmed it with QUIT.
    bool visited = false;
    // The block's ticked rows by the identity of their message, in list order.
    QHash<MessageDigest, QVarLengthArray<int, 1>> rowsByMessage;
};

// What a delete run works through: the ticked message rows of the list in account blocks, and
// for a message read from a server, the ticked row that stands for it, found by its identity in
// constant time whatever the size of the block.
class DeletionPlan {
public:
    // One pass over the list.
    static DeletionPlan of(const MailList& list);

    const std::vector<AccountBlock>& blocks() const { return m_blocks; }
    bool isEmpty() const { return m_blocks.empty(); }
    std::size_t size() const { return m_blocks.size(); }
    AccountBlock& block(std::size_t index) { return m_blocks[index]; }

    // The first row of the block that is still ticked, not yet deleted (marked "D") and holds
    // the message with this identity; 0 when there is none, so that a message on the server
    // twice is matched by two identical rows, and never by one row twice.
    int rowFor(const MailList& list, std::size_t block, const MessageDigest& message) const;
    // Ticked rows of the blocks the run visited whose message was not on the server.
    int rowsNotFound(const MailList& list) const;

private:
    std::vector<AccountBlock> m_blocks;
};

} // namespace mervantic
