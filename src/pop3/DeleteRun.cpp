#include "pop3/DeleteRun.h"

#include "pop3/ConnectionControl.h"
#include "pop3/HeaderExtraction.h"

#include <QSet>

#include <exception>

namespace mervantic {

DeleteRun::DeleteRun(Context context, QObject* parent)
    : QObject(parent)
    , m_context(context) {}

void DeleteRun::deleteMailButton() {
    RunView& view = m_context.log.view();
    MailList& mail = m_context.mail;
    // The mail page first: showing it enables its buttons, which the confirmation then
    // disables.
    view.selectMailPage();
    m_context.runs.begin(RunPhase::Confirming);
    if (!m_context.options.deleteEnabled) {
        decline();
        return;
    }
    if (mail.isEmpty()) {
        view.showMessage(QStringLiteral("There Are No Mail Items On The List"));
        decline();
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
        decline();
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
            decline();
            return;
        }
        m_context.mail.setEnabled(false);
        run();
    });
}

void DeleteRun::decline() {
    m_context.runs.end({RunPhase::Confirming, RunEnd::Outcome::Declined, QString()});
}

void DeleteRun::run() {
    if (!m_context.options.deleteEnabled) {
        // Switched off before the run began: nothing is deleted.
        if (!m_context.runs.idle() && !m_context.runs.deleting())
            decline();
        return;
    }
    // Anything unexpected ends the run through its halt, as every refusal does.
    try {
        step();
    } catch (const std::exception&) {
        halt(QStringLiteral("Unknown Error"));
    }
}

void DeleteRun::step() {
    const SessionState& session = m_context.session;
    if (m_context.runs.deleting())
        keepUncommittedRows();
    if (session.haltRequest) {
        cancelled();
        return;
    }
    if (m_context.mail.isEmpty()) {
        halt(QStringLiteral("..There Are No Mail Items On The List."));
        return;
    }
    if (m_context.runs.deleting())
        continueRun();
    else
        start();
}

void DeleteRun::start() {
    SessionState& session = m_context.session;
    const QString first = QStringLiteral("..Beginning Process To Delete Mail");
    m_context.log.view().logBeginRun(first);
    m_context.log.view().showStatus(first);
    m_context.runs.begin(RunPhase::Deleting);
    clearRunState();
    session.haltRequest = false;
    m_plan = DeletionPlan::of(m_context.mail);
    if (m_plan.isEmpty()) {
        halt(QStringLiteral("No Mail Items Have CheckBox Checked To Mark For Deletion."));
        return;
    }
    m_block = 0;
    connectToBlock();
}

void DeleteRun::continueRun() {
    if (!m_context.connectivity.isOnline()) {
        halt(QStringLiteral("Not Connected To The Internet"));
        return;
    }
    ++m_block;
    if (m_block >= m_plan.size()) {
        finish();
        return;
    }
    connectToBlock();
}

void DeleteRun::connectToBlock() {
    SessionState& session = m_context.session;
    const AccountBlock& block = m_plan.block(m_block);
    session.displayName = block.displayName;
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
    QString notAPort;
    const std::optional<int> port = portNumber(session.port, &notAPort);
    if (!port) {
        halt(notAPort + QStringLiteral(" For User: ") + session.username);
        return;
    }
    m_context.log.logAccount(block.displayName, block.username, block.server, block.port);
    m_context.connection.connectToServer(block.server, *port);
}

void DeleteRun::conversationOver() {
    // Rows marked deleted on a server that then did not commit are ordinary rows again.
    keepUncommittedRows();
    if (m_context.runs.deleting() && !m_context.session.haltRequest && m_block < m_plan.size()) {
        AccountBlock& block = m_plan.block(m_block);
        block.visited = m_quitAccepted;
        if (!m_quitAccepted)
            m_failedAccounts.append(
                RunLog::accountName(block.displayName, block.username, block.server));
    }
    run();
}

AfterMessage DeleteRun::messageRead(const ReadMessage& message) {
    if (!m_context.options.deleteEnabled)
        return AfterMessage::ReadNext;
    const std::optional<MessageHeaders> headers = extractHeaders(message.text, message.cut);
    if (!headers)
        return AfterMessage::ReadNext;
    const AccountBlock& block = m_plan.block(m_block);
    // A block that no longer fits the list ends the conversation rather than guess.
    if (block.lastRow > m_context.mail.count())
        return AfterMessage::SendQuit;
    // The message is recognised as the check knew it, whatever the list shows of its date.
    m_matchedRow = m_plan.rowFor(m_context.mail, m_block, headers->identity());
    if (m_matchedRow == 0)
        return AfterMessage::ReadNext;
    // Never more DELE in an account than it has ticked rows.
    ++m_deletedCount;
    return m_deletedCount <= block.tickedRows ? AfterMessage::SendDele : AfterMessage::SendQuit;
}

bool DeleteRun::deleteAccepted() {
    m_context.mail.setMark(m_matchedRow, QLatin1Char('D'));
    m_uncommitted.push_back(m_matchedRow);
    return m_deletedCount < m_plan.block(m_block).tickedRows;
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
    m_context.log.logAndShow(
        QStringLiteral("..The Server Did Not Confirm The Deletion Of %1 Mail Item%2: Kept")
            .arg(kept)
            .arg(kept == 1 ? QString() : QStringLiteral("s")));
}

void DeleteRun::cancelledAfterMessage() {
    // The rows go; what the server was asked to delete is no longer the list's concern.
    m_uncommitted.clear();
    m_context.mail.emptyAfterCancel();
}

void DeleteRun::cancelled() {
    m_context.mail.emptyAfterCancel();
    halt(QStringLiteral("Operation Canceled"));
}

void DeleteRun::clearRunState() {
    m_plan = {};
    m_block = 0;
    m_deletedCount = 0;
    m_matchedRow = 0;
    m_uncommitted.clear();
    m_quitAccepted = false;
    m_failedAccounts.clear();
}

void DeleteRun::finish() {
    const int notFound = m_plan.rowsNotFound(m_context.mail);
    const QStringList failed = std::exchange(m_failedAccounts, {});
    const int deleted = m_context.mail.removeDeletedRows();
    // "Deleted 0" is never left unexplained.
    if (notFound > 0)
        m_context.log.view().logAppend(QStringLiteral("..Not Found On The Server: %1 Mail Item%2")
                                           .arg(notFound)
                                           .arg(notFound == 1 ? QString() : QStringLiteral("s")));
    const QString text = QStringLiteral("..Delete Complete: Deleted ") + QString::number(deleted) +
                         QStringLiteral(" Mail Item") +
                         (deleted == 1 ? QString() : QStringLiteral("s")) +
                         RunLog::failedAccountsText(failed);
    leave(RunEnd::Outcome::Completed, text);
}

void DeleteRun::halt(const QString& reason) {
    // Messages the servers have deleted do not stay in the list as if they were still there.
    if (m_context.runs.deleting())
        m_context.mail.removeDeletedRows();
    leave(RunEnd::Outcome::Halted, reason);
}

void DeleteRun::leave(RunEnd::Outcome outcome, const QString& text) {
    const RunPhase run = m_context.runs.deleting() ? RunPhase::Deleting : RunPhase::Confirming;
    m_context.session.haltRequest = false;
    m_context.session.clearAccount();
    clearRunState();
    m_context.mail.setEnabled(true);
    m_context.runs.end({run, outcome, text});
}

} // namespace mervantic
