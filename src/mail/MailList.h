#pragma once

#include "mail/MailItem.h"
#include "mail/SeenMemory.h"

#include <QObject>

#include <vector>

namespace mervantic {

// The messages found by the last check, in the order they were found, with the memory of which
// of them the user has seen. Rows are numbered from 1. Every change is announced so that an
// item model can follow it.
class MailList : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    int count() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    const MailItem& at(int row) const { return m_rows.at(static_cast<std::size_t>(row - 1)); }
    const std::vector<MailItem>& rows() const { return m_rows; }
    // The rows of new messages: a check's new mail, until the user has seen it or it is gone.
    int newMessageCount() const { return m_newMessageCount; }
    // The rows of accounts whose check failed.
    int failureRowCount() const { return m_failureRows; }
    // The memory the rows take (MailItem::cost) and the most a check may fill the list and the
    // seen/new memory of the previous list with together: no server, however many messages it
    // claims, can make the list outgrow it. 160 MiB are about 600,000 rows of short headers.
    qsizetype memoryCost() const { return m_cost; }
    bool isFull() const { return m_cost + m_memory.cost() >= m_budget; }
    static constexpr qsizetype kMemoryBudget = qsizetype{160} * 1024 * 1024;
    void setMemoryBudget(qsizetype bytes) { m_budget = bytes; }

    // Remembers the seen/new state of every message row, then empties the list. Called when
    // a check run starts.
    void takeSnapshotAndClear();
    // Adds the row of a message found by a check, its date shown as the display format says and
    // as sent. The message is new unless the seen memory holds it as seen.
    void addMessageRow(const QString& displayName, const QString& username, const QString& password,
                       const QString& from, const QString& subject, const QString& dateShown,
                       const QString& server, const QString& port, const QString& messageId,
                       const QString& dateSent);
    // The same for a message whose date is shown as sent.
    void addMessageRow(const QString& displayName, const QString& username, const QString& password,
                       const QString& from, const QString& subject, const QString& dateShown,
                       const QString& server, const QString& port, const QString& messageId) {
        addMessageRow(displayName, username, password, from, subject, dateShown, server, port,
                      messageId, dateShown);
    }
    // The message rows of a mailbox, as they are listed.
    std::vector<MailItem> messageRowsOf(const MailboxId& mailbox) const;
    // A row of an earlier check shown again (an account the check left alone): new unless it
    // was seen since.
    void addKeptRow(MailItem item);
    // The row of an account whose mailbox is empty.
    void addNoMailRow(const QString& displayName, const QString& username);
    // The row of an account that could not be checked, saying why in its Subject column and
    // what would mend it.
    void addFailureRow(const QString& displayName, const QString& username, const QString& server,
                       const QString& port, const QString& reason,
                       Remedy remedy = Remedy::CheckAgain);

    // What is remembered of seen and new mail: all that the list has shown, and what earlier
    // lists showed of mailboxes the last check did not read to the end.
    const SeenMemory& seenMemory() const { return m_memory; }
    // An account was changed: its rows listed now take its display name, mailbox and password,
    // and what was seen of it follows it to its new mailbox.
    void changeAccount(const MailboxId& from, const MailboxId& to, const QString& displayName,
                       const QString& password);
    void setSeenMemory(SeenMemory memory);
    // The mailbox was read to its end: what is remembered of it becomes the message rows it has
    // from `firstRow` on.
    void rememberMailbox(const MailboxId& mailbox, int firstRow);
    // Takes the state of every message row into the memory (the first of identical rows
    // decides). The "Seen" button, a check's start and the close do it.
    void foldIntoMemory();
    void removeAll();
    // A cancelled run leaves no half-read list behind: the list is emptied and can be used
    // again.
    void emptyAfterCancel() {
        setEnabled(true);
        removeAll();
    }
    void removeRow(int row);

    void markAllSeen();
    void setIcon(int row, MailIcon icon);
    // The mark letter of a row's key: "K" ordinary, "D" deleted on the server in the delete run
    // in progress, "X" the first row of an account whose rows were all deleted.
    void setMark(int row, QChar mark);
    // What is left of an account whose every message was deleted: the row keeps its display
    // and user names, shows "(no mail)" in the other columns, and loses its key, tick and icon.
    void makeNoMailRow(int row);
    // The end of a delete run: the rows marked deleted ("D") go, all together and in one pass;
    // an account (a run of consecutive rows of one account) whose every row went keeps its first
    // row as a "(no mail)" row. Returns how many messages went.
    int removeDeletedRows();

    bool isItemChecked(int row) const;
    void checkItem(int row);
    void uncheckItem(int row);
    // Tick (untick) every row; only while the delete functions are on.
    void checkAll();
    void uncheckAll();
    // Tick (untick) every row of the same user name, server and port as `row`.
    void checkAllForUser(int row);
    void uncheckAllForUser(int row);

    bool deleteFunctionsEnabled() const { return m_deleteFunctionsEnabled; }
    // Shows or hides the tick boxes; switching off unticks every row.
    void setDeleteFunctionsEnabled(bool on);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

Q_SIGNALS:
    void aboutToAppend(int firstRow, int lastRow);
    void appended();
    void aboutToRemove(int firstRow, int lastRow);
    void removed();
    void aboutToReset();
    void reset();
    void rowsChanged(int firstRow, int lastRow);
    void enabledChanged(bool enabled);
    void deleteFunctionsEnabledChanged(bool on);
    // What is remembered of seen and new mail changed, and may be kept.
    void seenMemoryChanged();

private:
    void append(MailItem item);
    // The counts kept beside the rows, counted again.
    void recount();
    void setAllChecked(bool checked);
    void setCheckedForUser(int row, bool checked);
    bool tickOperationsAllowed() const { return !m_rows.empty() && m_deleteFunctionsEnabled; }

    std::vector<MailItem> m_rows;
    SeenMemory m_memory;
    int m_newMessageCount = 0;
    int m_failureRows = 0;
    qsizetype m_cost = 0;
    qsizetype m_budget = kMemoryBudget;
    bool m_enabled = true;
    bool m_deleteFunctionsEnabled = false;
};

} // namespace mervantic
