#include "pop3/DeleteRun.h"

#include "mail/DateNormaliser.h"
#include "pop3/CheckRun.h"
#include "pop3/ConnectionControl.h"
#include "pop3/HeaderExtraction.h"

#include <QSet>

#include <stdexcept>

namespace mervantic {

DeleteRun::DeleteRun(RunContext& context, ConnectionControl& connection,
                     const CheckRunFields& checkRun, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_connection(connection)
    , m_checkRun(checkRun) {}

void DeleteRun::deleteMailButton() {
    RunView& view = m_context.view;
    MailList& mail = m_context.mail;
    m_context.runBusy = RunBusy::Running;
    // The mail page first: showing it enables its buttons, which the run then disables.
    view.selectMailPage();
    view.showRunControls(true, false);
    if (!m_context.options.deleteEnabled) {
        restoreControls();
        return;
    }
    if (mail.isEmpty()) {
        view.showMessage(QStringLiteral("There Are No Mail Items On The List"));
        restoreControls();
        return;
    }
    int ticked = 0;
    QSet<MailboxId> mailboxes;
    for (const MailItem& item : mail.rows()) {
        if (item.checked && item.isMessage()) {
            ++ticked;
            mailboxes.insert(item.mailbox());
        }
    }
    if (ticked == 0) {
        view.showMessage(QStringLiteral("No Mail Items On The List Have Their CheckBoxes "
                                        "Checked To Mark For Deletion"));
        restoreControls();
        return;
    }
    // What cannot be undone is said in numbers, and Enter does not do it.
    const auto accounts = static_cast<int>(mailboxes.size());
    const Question question{
        QStringLiteral("Confirm: Permanently Delete All Mail Items w/CheckBox Ckecked "
                       "From The Server?"),
        QStringLiteral("%1 Mail Item%2 On %3 Account%4 Will Be Deleted.")
            .arg(ticked)
            .arg(ticked == 1 ? QString() : QStringLiteral("s"))
            .arg(accounts)
            .arg(accounts == 1 ? QString() : QStringLiteral("s")),
        true};
    view.askYesNo(question, [this](bool yes) {
        if (!yes) {
            restoreControls();
            return;
        }
        m_context.mail.setEnabled(false);
        run();
    });
}

void DeleteRun::restoreControls() {
    const SessionState& session = m_context.session;
    m_context.view.showRunControls(false, m_context.options.deleteEnabled &&
                                              !session.checkRunActive && !session.deleteRunActive);
    m_context.runBusy = RunBusy::Idle;
}

void DeleteRun::run() {
    if (!m_context.options.deleteEnabled)
        return;
    // Anything unexpected ends the run through its halt, as every refusal does.
    try {
        step();
    } catch (const std::exception&) {
        halt(QStringLiteral("Unknown Error"));
    }
}

void DeleteRun::step() {
    const SessionState& session = m_context.session;
    if (session.deleteRunActive)
        keepUncommittedRows();
    if (session.checkRunActive) {
        halt(QStringLiteral("Error..A -Check Mail- Process Is Still Running"));
        return;
    }
    if (session.haltRequest) {
        cancelled();
        return;
    }
    if (m_context.mail.isEmpty()) {
        halt(QStringLiteral("..There Are No Mail Items On The List."));
        return;
    }
    if (session.deleteRunActive)
        continueRun();
    else
        start();
}

void DeleteRun::start() {
    SessionState& session = m_context.session;
    const QString first = QStringLiteral("..Beginning Process To Delete Mail");
    m_context.view.logBeginRun(first);
    m_context.view.showStatus(first);
    m_context.view.showRunControls(true, false);
    session.deleteRunActive = true;
    m_context.view.runActivityChanged(RunActivity::Deleting);
    clearRunState();
    session.haltRequest = false;
    buildBlocks();
    if (m_blocks.empty()) {
        halt(QStringLiteral("No Mail Items Have CheckBox Checked To Mark For Deletion."));
        return;
    }
    m_block = 0;
    connectToBlock();
}

void DeleteRun::buildBlocks() {
    const MailList& mail = m_context.mail;
    for (int row = 1; row <= mail.count(); ++row) {
        const MailItem& item = mail.at(row);
        if (!item.isMessage() || !mail.isItemChecked(row))
            continue;
        const QString username = item.username();
        const QString server = item.server();
        const QString port = item.port();
        if (!m_blocks.empty()) {
            AccountBlock& last = m_blocks.back();
            if (last.username == username && last.password == item.password &&
                last.server == server && last.port == port) {
                last.lastRow = row;
                ++last.tickedRows;
                continue;
            }
        }
        m_blocks.push_back({1, username, item.password, server, port, row, row});
    }
}

void DeleteRun::continueRun() {
    if (!m_context.connectivity.isOnline()) {
        halt(QStringLiteral("Not Connected To The Internet"));
        return;
    }
    ++m_block;
    if (m_block >= m_blocks.size()) {
        finish();
        return;
    }
    connectToBlock();
}

void DeleteRun::connectToBlock() {
    SessionState& session = m_context.session;
    const AccountBlock& block = m_blocks[m_block];
    session.username = block.username;
    session.password = block.password;
    session.server = block.server;
    session.port = block.port;
    m_deletedCount = 0;
    m_matchedRow = 0;
    m_uncommitted.clear();
    m_quitAccepted = false;
    if (session.haltRequest) {
        cancelled();
        return;
    }
    const std::optional<int> port = session.portNumber();
    if (!port) {
        halt(QStringLiteral("Unknown Error"));
        return;
    }
    m_context.logAccount(QString(), block.username, block.server, block.port);
    m_connection.connectToServer(block.server, *port);
}

void DeleteRun::conversationOver() {
    // Rows marked deleted on a server that then did not commit are ordinary rows again.
    keepUncommittedRows();
    if (m_context.session.deleteRunActive && !m_context.session.haltRequest &&
        m_block < m_blocks.size()) {
        AccountBlock& block = m_blocks[m_block];
        block.visited = m_quitAccepted;
        if (!m_quitAccepted)
            ++m_failedAccounts;
    }
    run();
}

AfterMessage DeleteRun::messageRead(QByteArrayView message, std::int32_t /*number*/) {
    if (!m_context.options.deleteEnabled)
        return AfterMessage::ReadNext;
    const std::optional<MessageHeaders> headers = extractHeaders(message);
    if (!headers)
        return AfterMessage::ReadNext;
    const AccountBlock& block = m_blocks[m_block];
    MailList& mail = m_context.mail;
    // A block that no longer fits the list ends the conversation rather than guess.
    if (block.lastRow > mail.count())
        return AfterMessage::SendQuit;
    // Dates are compared as the last check showed them, whatever the format chosen since.
    const int format = m_checkRun.runDateFormat;
    const QString dateShown =
        format < RegionalShort ? headers->date : normaliseDate(headers->date, format);
    const SessionState& session = m_context.session;
    m_matchedRow = 0;
    for (int row = block.firstRow; row <= block.lastRow; ++row) {
        const MailItem& item = mail.at(row);
        if (item.field(MailItem::Username) == session.username &&
            item.field(MailItem::From) == headers->from &&
            item.field(MailItem::Subject) == headers->subject &&
            item.field(MailItem::DateSent) == dateShown &&
            item.field(MailItem::Server) == session.server &&
            item.field(MailItem::Port) == session.port &&
            item.field(MailItem::MessageId) == headers->messageId && mail.isItemChecked(row) &&
            item.mark != QLatin1Char('D')) {
            m_matchedRow = row;
            break;
        }
    }
    if (m_matchedRow == 0)
        return AfterMessage::ReadNext;
    // Never more DELE in an account than it has ticked rows.
    ++m_deletedCount;
    return m_deletedCount <= block.tickedRows ? AfterMessage::SendDele : AfterMessage::SendQuit;
}

bool DeleteRun::deleteAccepted() {
    m_context.mail.setMark(m_matchedRow, QLatin1Char('D'));
    m_uncommitted.push_back(m_matchedRow);
    return m_deletedCount < m_blocks[m_block].tickedRows;
}

void DeleteRun::quitAccepted() {
    m_uncommitted.clear();
    m_quitAccepted = true;
}

void DeleteRun::keepUncommittedRows() {
    if (m_uncommitted.empty())
        return;
    for (const int row : m_uncommitted)
        m_context.mail.setMark(row, QLatin1Char('K'));
    const auto kept = static_cast<int>(m_uncommitted.size());
    m_uncommitted.clear();
    m_context.logAndShow(
        QStringLiteral("..The Server Did Not Confirm The Deletion Of %1 Mail Item%2: Kept")
            .arg(kept)
            .arg(kept == 1 ? QString() : QStringLiteral("s")));
}

void DeleteRun::cancelledAfterMessage() {
    // The rows go; what the server was asked to delete is no longer the list's concern.
    m_uncommitted.clear();
    m_context.emptyMailListAfterCancel();
}

void DeleteRun::cancelled() {
    m_context.emptyMailListAfterCancel();
    halt(QStringLiteral("Operation Canceled"));
}

void DeleteRun::clearRunState() {
    m_blocks.clear();
    m_block = 0;
    m_deletedCount = 0;
    m_matchedRow = 0;
    m_uncommitted.clear();
    m_quitAccepted = false;
    m_failedAccounts = 0;
}

int DeleteRun::rowsNotFound() const {
    // The ticked messages of every account the run did visit that are still there: their
    // servers hold no such message any more.
    const MailList& mail = m_context.mail;
    int notFound = 0;
    for (const AccountBlock& block : m_blocks) {
        if (!block.visited)
            continue;
        for (int row = block.firstRow; row <= std::min(block.lastRow, mail.count()); ++row) {
            const MailItem& item = mail.at(row);
            // Between a block's first and last row, every ticked row is the block's.
            if (item.isMessage() && item.checked && item.mark != QLatin1Char('D'))
                ++notFound;
        }
    }
    return notFound;
}

int DeleteRun::takeDeletedRowsOut() {
    MailList& mail = m_context.mail;
    // Regroup the list into account blocks, ticked or not; a block whose rows were all deleted
    // keeps its first row as a "(no mail)" row.
    int blockFirst = 0;
    int blockRows = 0;
    int blockDeleted = 0;
    const auto closeBlock = [&] {
        if (blockFirst != 0 && blockRows == blockDeleted)
            mail.setMark(blockFirst, QLatin1Char('X'));
        blockFirst = blockRows = blockDeleted = 0;
    };
    const MailItem* previous = nullptr;
    for (int row = 1; row <= mail.count(); ++row) {
        const MailItem& item = mail.at(row);
        if (!item.isMessage())
            continue;
        const bool sameAccount =
            previous != nullptr &&
            item.field(MailItem::Username) == previous->field(MailItem::Username) &&
            item.password == previous->password &&
            item.field(MailItem::Server) == previous->field(MailItem::Server) &&
            item.field(MailItem::Port) == previous->field(MailItem::Port);
        if (!sameAccount) {
            closeBlock();
            blockFirst = row;
        }
        ++blockRows;
        if (item.mark == QLatin1Char('D'))
            ++blockDeleted;
        previous = &item;
    }
    closeBlock();

    int deleted = 0;
    for (int row = mail.count(); row >= 1; --row) {
        const MailItem& item = mail.at(row);
        if (!item.isMessage())
            continue;
        if (item.mark == QLatin1Char('D')) {
            mail.removeRow(row);
            ++deleted;
        } else if (item.mark == QLatin1Char('X')) {
            mail.makeNoMailRow(row);
            ++deleted;
        }
    }
    return deleted;
}

void DeleteRun::finish() {
    SessionState& session = m_context.session;
    const int notFound = rowsNotFound();
    const int failed = m_failedAccounts;
    session.deleteRunActive = false;
    session.haltRequest = false;
    session.clearAccount();
    clearRunState();
    m_context.view.logEndRun();
    m_context.mail.setEnabled(true);
    restoreControls();
    m_context.view.runActivityChanged(RunActivity::Idle);

    const int deleted = takeDeletedRowsOut();
    // "Deleted 0" is never left unexplained.
    if (notFound > 0)
        m_context.view.logAppend(QStringLiteral("..Not Found On The Server: %1 Mail Item%2")
                                     .arg(notFound)
                                     .arg(notFound == 1 ? QString() : QStringLiteral("s")));
    const QString count = QString::number(deleted);
    const QString text =
        QStringLiteral("..Delete Complete: Deleted ") + count + QStringLiteral(" Mail Item") +
        (deleted == 1 ? QString() : QStringLiteral("s")) + RunContext::failedAccountsText(failed);
    m_context.reportCompletion(text);
}

void DeleteRun::halt(const QString& reason) {
    SessionState& session = m_context.session;
    const bool closing = m_context.runBusy == RunBusy::Closing;
    const bool wasRunning = session.deleteRunActive;
    session.deleteRunActive = false;
    session.haltRequest = false;
    session.clearAccount();
    clearRunState();
    m_context.mail.setEnabled(true);
    restoreControls();
    m_context.view.runActivityChanged(RunActivity::Idle);
    m_context.view.logEndRun();
    // Messages the servers have deleted do not stay in the list as if they were still there.
    if (wasRunning)
        takeDeletedRowsOut();
    m_context.reportHalt(reason, closing);
}

} // namespace mervantic
