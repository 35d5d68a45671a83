#include "pop3/CheckRun.h"

#include "pop3/ConnectionControl.h"
#include "pop3/HeaderExtraction.h"
#include "store/AccountKey.h"

#include <exception>

namespace mervantic {

CheckRun::CheckRun(Context context, QObject* parent)
    : QObject(parent)
    , m_context(context) {}

void CheckRun::run() {
    const SessionState& session = m_context.session;
    // A delete run keeps its own state, its controls and its cancel request: a check asked for
    // meanwhile is refused without touching them.
    if (m_context.runs.deleting()) {
        refuseDuringDeleteRun();
        return;
    }
    try {
        if (session.haltRequest) {
            cancelled();
            return;
        }
        if (m_context.accounts.isEmpty()) {
            halt(QStringLiteral("No Usernames Are Configured."));
            return;
        }
        if (m_context.runs.checking())
            continueRun();
        else
            start();
    } catch (const std::exception&) {
        halt(QStringLiteral("Unknown Error"));
    }
}

void CheckRun::conversationOver() {
    if (m_context.runs.checking())
        recordAccount();
    run();
}

void CheckRun::recordAccount() {
    const SessionState& session = m_context.session;
    const AccountOutcome& outcome = session.outcome;
    // A cancelled run empties the list; what an account did then is no longer shown.
    if (session.haltRequest)
        return;
    MailList& mail = m_context.mail;
    if (outcome.failed() || !outcome.complete) {
        m_fields.failedAccounts.append(
            RunLog::accountName(session.displayName, session.username, session.server));
        mail.addFailureRow(session.displayName, session.username, session.server, session.port,
                           outcome.failed()
                               ? outcome.failure
                               : QStringLiteral("The conversation with the server ended before "
                                                "every message was read"),
                           outcome.remedy);
        return;
    }
    mail.rememberMailbox({session.username, session.server, session.port},
                         m_fields.accountFirstRow);
}

void CheckRun::start() {
    SessionState& session = m_context.session;
    CheckRunFields& fields = m_fields;
    const Options& options = m_context.options;

    Q_EMIT countdownReset();
    const QString first =
        QStringLiteral("..Beginning Process To Check For Mail") +
        (options.checkOnlyChecked ? QStringLiteral(" (Check-Selected Usernames, Only)")
                                  : QString());
    m_context.log.view().logBeginRun(first);
    m_context.log.view().showStatus(first);
    fields.timed = std::exchange(m_nextRunTimed, false);
    keepRowsOfDelayedAccounts();
    m_context.mail.takeSnapshotAndClear();
    m_context.mail.setEnabled(true);

    clearRunFields();
    m_context.runs.begin(RunPhase::Checking);
    session.haltRequest = false;
    if (options.autoStartTimer && options.recheckMinutes >= 1)
        Q_EMIT autoStartRequested();

    const AccountList& accounts = m_context.accounts;
    if (options.checkOnlyChecked) {
        for (int row = 1; row <= accounts.count(); ++row) {
            if (!accounts.isItemChecked(row))
                continue;
            if (fields.firstAccountIndex == 0)
                fields.firstAccountIndex = row;
            fields.lastAccountIndex = row;
        }
    } else {
        fields.firstAccountIndex = 1;
        fields.lastAccountIndex = accounts.count();
    }
    fields.accountIndex = fields.firstAccountIndex;

    if (fields.firstAccountIndex == 0) {
        halt(QStringLiteral("No Usernames Have CheckBox Checked or Error Reading List"));
        return;
    }
    if (m_context.options.dateFormat < 1)
        m_context.options.dateFormat = 1;
    fields.runDateFormat = m_context.options.dateFormat;
    connectToAccount();
}

void CheckRun::continueRun() {
    CheckRunFields& fields = m_fields;
    Q_EMIT countdownReset();
    if (!m_context.connectivity.isOnline()) {
        halt(QStringLiteral("Not Connected To The Internet"));
        return;
    }
    ++fields.accountIndex;
    if (fields.accountIndex > fields.lastAccountIndex) {
        finish();
        return;
    }
    if (m_context.options.checkOnlyChecked) {
        while (fields.accountIndex < fields.lastAccountIndex &&
               !m_context.accounts.isItemChecked(fields.accountIndex))
            ++fields.accountIndex;
    }
    connectToAccount();
}

void CheckRun::connectToAccount() {
    SessionState& session = m_context.session;
    const AccountRow& account = m_context.accounts.at(m_fields.accountIndex);
    session.displayName = account.displayName;
    session.username = account.username;
    if (!account.damage.isEmpty()) {
        skipDamaged(account);
        return;
    }
    const std::optional<QString> password = AccountKey::password(account.key);
    if (!password) {
        halt(QStringLiteral("Password From Usernames List Not Good For User: ") + session.username);
        return;
    }
    session.password = *password;
    session.server = account.server;
    session.port = account.port;
    m_fields.accountFirstRow = m_context.mail.count() + 1;
    QString notAPort;
    const std::optional<int> port = portNumber(session.port, &notAPort);
    if (!port) {
        halt(notAPort + QStringLiteral(" For User: ") + session.username);
        return;
    }
    if (session.haltRequest) {
        cancelled();
        return;
    }
    m_context.log.logAccount(session.displayName, session.username, session.server, session.port);
    if (leftAlone())
        return;
    m_context.connection.connectToServer(session.server, *port);
}

void CheckRun::skipDamaged(const AccountRow& account) {
    // One damaged record never stops the accounts after it: its row says why, and the run
    // goes on.
    SessionState& session = m_context.session;
    session.server = account.server;
    session.port = account.port;
    m_context.log.logAccount(session.displayName, session.username, session.server, session.port);
    session.outcome.reset();
    m_context.log.failAccount(session.outcome,
                              QStringLiteral("Not checked: ") + account.damage +
                                  QStringLiteral(" (change the account to mend it)"),
                              Remedy::MendAccount);
    recordAccount();
    session.clearAccount();
    QMetaObject::invokeMethod(
        this, [this] { run(); }, Qt::QueuedConnection);
}

void CheckRun::keepRowsOfDelayedAccounts() {
    m_leftAlone.clear();
    if (!m_fields.timed)
        return;
    const std::uint32_t now = m_context.clock.tickCount();
    for (const AccountRow& account : m_context.accounts.rows()) {
        const MailboxAddress address{account.username, account.server, account.port};
        if (m_context.connections.handChecksOnly(address) ||
            m_context.loginDelays.secondsLeft(address, now) > 0)
            m_leftAlone.emplace_back(
                address,
                m_context.mail.messageRowsOf({account.username, account.server, account.port}));
    }
}

bool CheckRun::leftAlone() {
    const MailboxAddress address = m_context.session.address();
    const auto found = std::find_if(m_leftAlone.begin(), m_leftAlone.end(),
                                    [&](const auto& entry) { return entry.first == address; });
    if (found == m_leftAlone.end())
        return false;
    const int minutes = (m_context.loginDelays.delaySeconds(address) + 59) / 60;
    if (m_context.connections.handChecksOnly(address))
        m_context.log.logAndShow(
            QStringLiteral("..Left Alone By The Timed Check: This Account Is Checked By Hand "
                           "Only; Its Mail Of The Last Check Is Shown"));
    else
        m_context.log.logAndShow(
            QStringLiteral("..Left Alone By The Timed Check: The Server Allows A Log-On Every %1 "
                           "Minute%2 (LOGIN-DELAY); Its Mail Of The Last Check Is Shown")
                .arg(minutes)
                .arg(minutes == 1 ? QString() : QStringLiteral("s")));
    for (MailItem& item : found->second)
        m_context.mail.addKeptRow(std::move(item));
    m_leftAlone.erase(found);
    // The next account starts from a fresh stack, as after a conversation.
    QMetaObject::invokeMethod(
        this, [this] { run(); }, Qt::QueuedConnection);
    return true;
}

void CheckRun::finish() {
    const CheckRunFields& fields = m_fields;
    const int total =
        m_context.mail.count() - fields.noMailRows - static_cast<int>(fields.failedAccounts.size());
    const QStringList& failed = fields.failedAccounts;
    const int newCount = m_context.mail.newMessageCount();
    const QString countText = newCount == 0 ? QStringLiteral("No") : QString::number(newCount);
    const QString plural = newCount == 1 ? QString() : QStringLiteral("s");
    const QString text = QStringLiteral("..Check Complete: ") + countText +
                         QStringLiteral(" New Mail Item") + plural +
                         QStringLiteral(" -Total Items: ") + QString::number(total) +
                         RunLog::failedAccountsText(failed);
    if (m_context.options.soundOnNewMail && newCount >= 1) {
        m_context.beeper.beep();
        if (m_context.options.continuousAlarm)
            Q_EMIT continuousAlarmRequested();
    }
    leave(RunEnd::Outcome::Completed, text);
}

void CheckRun::refuseDuringDeleteRun() {
    m_context.runs.reportHalt(QStringLiteral("Error..A Delete Process Is Still Running"));
}

void CheckRun::cancelled() {
    m_context.mail.emptyAfterCancel();
    halt(QStringLiteral("Operation Canceled"));
}

void CheckRun::halt(const QString& reason) {
    leave(RunEnd::Outcome::Halted, reason);
}

void CheckRun::leave(RunEnd::Outcome outcome, const QString& text) {
    clearRunFields();
    m_leftAlone.clear();
    m_context.session.haltRequest = false;
    m_context.session.clearAccount();
    m_context.runs.end({RunPhase::Checking, outcome, text});
}

void CheckRun::clearRunFields() {
    CheckRunFields& fields = m_fields;
    fields.firstAccountIndex = fields.lastAccountIndex = fields.accountIndex = 0;
    fields.noMailRows = 0;
    fields.failedAccounts.clear();
    fields.accountFirstRow = 0;
}

void CheckRun::mailboxEmpty() {
    ++m_fields.noMailRows;
    m_context.mail.addNoMailRow(m_context.session.displayName, m_context.session.username);
}

AfterMessage CheckRun::messageRead(const ReadMessage& message) {
    m_context.headers.processMessageHeaders(message);
    return AfterMessage::ReadNext;
}

bool CheckRun::wantsMoreMessages() {
    if (!m_context.mail.isFull())
        return true;
    // The rest of the mailbox would not fit in the memory the list may take.
    m_context.log.logAndShow(
        QStringLiteral("..Mail List Full: The Remaining Messages Are Not Listed"));
    m_context.session.outcome.fail(
        QStringLiteral("The mail list is full: the remaining messages of this "
                       "account are not listed"));
    return false;
}

void CheckRun::cancelledAfterMessage() {
    m_context.mail.emptyAfterCancel();
}

} // namespace mervantic
