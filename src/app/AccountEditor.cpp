#include "app/AccountEditor.h"

#include "app/Dialogs.h"
#include "app/StorableText.h"
#include "platform/Beeper.h"
#include "platform/CertificateFacts.h"
#include "store/AccountKey.h"
#include "store/AccountList.h"
#include "store/AccountListModel.h"
#include "store/VisibleText.h"

namespace mervantic {

namespace {

const QString kAddFailed = QStringLiteral("An Error Occurred Adding Username Info To List");
const QString kPasswordFailed = QStringLiteral("An Error Occurred When Changing Password");
const QString kNoPassword = QStringLiteral("No Password Was Entered In TextBox");

// What "Add" and "Change Selected Item To The Boxes" refuse in the boxes: each empty box
// replaces the message of the one before, so the last empty one is named; then text the file
// cannot hold.
QString refusalOfBoxes(const AccountEntry& boxes, bool passwordNeeded) {
    QString refusal;
    if (boxes.username.trimmed().isEmpty())
        refusal = QStringLiteral("No Username Was Entered In TextBox");
    if (passwordNeeded && boxes.password.trimmed().isEmpty())
        refusal = kNoPassword;
    if (boxes.server.trimmed().isEmpty())
        refusal = QStringLiteral("No Server Name Was Entered In TextBox");
    if (boxes.port.trimmed().isEmpty())
        refusal = QStringLiteral("No Port No. Was Entered In TextBox");
    if (refusal.isEmpty())
        refusal = unstorableTextRefusal(
            {boxes.displayName, boxes.username, boxes.password, boxes.server});
    return refusal;
}

} // namespace

AccountEditor::AccountEditor(AccountListModel& model, const AccountFile& file,
                             ConnectionSettings& connections, Dialogs& dialogs, Beeper& beeper)
    : m_model(model)
    , m_file(file)
    , m_connections(connections)
    , m_dialogs(dialogs)
    , m_beeper(beeper) {}

void AccountEditor::save(const QString& replacementName, int renamedRow) {
    QString why;
    if (!m_file.save(m_model.list(), replacementName, renamedRow, &why))
        m_dialogs.message(QStringLiteral("An Error Occurred Saving Changes To Username File\n") +
                          why);
}

bool AccountEditor::refusedForThisRun() {
    if (m_file.writable())
        return false;
    m_dialogs.message(QStringLiteral("Usernames Cannot Be Changed: The Username File ") +
                      m_file.path() +
                      QStringLiteral(" Could Not Be Read When Mervantic Started, So It Is Left As "
                                     "It Is"));
    return true;
}

void AccountEditor::add(AccountEntry& boxes) {
    const QString refusal = refusalOfBoxes(boxes, true);
    if (!refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return;
    }
    if (refusedForThisRun())
        return;
    boxes.username = boxes.username.trimmed();
    boxes.password = boxes.password.trimmed();
    boxes.server = boxes.server.trimmed();
    const QString port = boxes.port.trimmed();

    for (const AccountRow& row : m_model.list().rows()) {
        if (row.username == boxes.username && row.server == boxes.server && row.port == port) {
            m_dialogs.message(
                QStringLiteral("Identical Username / Server Name / Port No. Already On List"));
            return;
        }
    }

    bool isNumber = false;
    port.toInt(&isNumber);
    const QString number = nextAccountNumber(m_model.list());
    if (!isNumber || number.isEmpty()) {
        m_dialogs.message(kAddFailed);
        return;
    }
    // The row shows the port as typed; the file holds the number.
    AccountRow row{boxes.displayName.trimmed(),
                   boxes.username,
                   boxes.server,
                   port,
                   AccountKey::make(number.toInt(), boxes.password),
                   false};
    // The list shows only what the file holds: an account the file did not take goes again.
    m_model.appendAccount(row);
    QString why;
    if (!m_file.append(row, &why)) {
        m_model.removeAccount(m_model.rowCount());
        m_dialogs.message(kAddFailed + QLatin1Char('\n') + why);
        return;
    }
    // Whatever was kept of an account once at this address belongs to the one that left.
    const MailboxAddress address{row.username, row.server, row.port};
    m_connections.removeAccount(address);
    m_connections.setSecurity(address, boxes.security.value_or(defaultSecurity(port)));
    boxes.displayName.clear();
    boxes.username.clear();
    boxes.password.clear();
}

AccountEntry AccountEditor::entryOf(int row) const {
    if (row < 1 || row > m_model.rowCount())
        return {};
    const AccountRow& account = m_model.list().at(row);
    return {account.displayName,
            account.username,
            QString(),
            account.server,
            account.port,
            m_connections.security({account.username, account.server, account.port})};
}

void AccountEditor::edit(int row, AccountEntry& boxes) {
    if (row < 1 || row > m_model.rowCount())
        return;
    // An empty password box keeps the password.
    QString refusal = refusalOfBoxes(boxes, false);
    if (refusal.isEmpty() && !portNumber(boxes.port, &refusal))
        refusal = QStringLiteral("An Error Occurred Changing The Item\n") + refusal;
    if (!refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return;
    }
    if (refusedForThisRun())
        return;
    const AccountRow before = m_model.list().at(row);
    AccountRow after = before;
    after.displayName = boxes.displayName.trimmed();
    after.username = boxes.username.trimmed();
    after.server = boxes.server.trimmed();
    after.port = boxes.port.trimmed();
    for (int other = 1; other <= m_model.rowCount(); ++other) {
        const AccountRow& existing = m_model.list().at(other);
        if (other != row && existing.username == after.username &&
            existing.server == after.server && existing.port == after.port) {
            m_dialogs.message(
                QStringLiteral("Identical Username / Server Name / Port No. Already On List"));
            return;
        }
    }
    // An empty password box keeps the password; a record whose password could not be read
    // needs one typed.
    const QString password = boxes.password.trimmed();
    const QString changeFailed = QStringLiteral("An Error Occurred Changing The Item\n");
    if (!password.isEmpty()) {
        const int mark = AccountKey::passwordMarkPosition(before.key);
        if (mark < 3) {
            m_dialogs.message(changeFailed);
            return;
        }
        after.key = before.key.left(mark) + password;
        after.unreadable.clear();
    } else if (!AccountKey::password(before.key)) {
        m_dialogs.message(changeFailed + kNoPassword);
        return;
    }
    // What the user typed now stands for the account, whatever its record held.
    after.damage.clear();
    m_model.replaceAccount(row, after);
    QString why;
    if (!m_file.save(m_model.list(), {}, 0, &why)) {
        // The list shows only what the file holds.
        m_model.replaceAccount(row, before);
        m_dialogs.message(QStringLiteral("An Error Occurred Saving Changes To Username File\n") +
                          why);
        return;
    }
    const MailboxAddress moved{after.username, after.server, after.port};
    m_connections.moveAccount({before.username, before.server, before.port}, moved);
    if (boxes.security)
        m_connections.setSecurity(moved, *boxes.security);
    // A password typed is the account's from now on, wherever the one before was kept.
    if (!password.isEmpty())
        m_connections.setPasswordInKeyring(moved, false);
    if (m_accountChanged)
        m_accountChanged(before, after);
    boxes.displayName.clear();
    boxes.username.clear();
    boxes.password.clear();
}

void AccountEditor::remove(int row) {
    if (row < 1 || row > m_model.rowCount() || refusedForThisRun())
        return;
    if (!m_dialogs.question(QStringLiteral("Confirm: Delete Username .. ") +
                            m_model.list().at(row).username))
        return;
    const AccountRow gone = m_model.list().at(row);
    m_model.removeAccount(row);
    save();
    if (m_accountRemoved)
        m_accountRemoved({gone.username, gone.server, gone.port});
    m_connections.removeAccount({gone.username, gone.server, gone.port});
}

int AccountEditor::move(int from, int to) {
    if (refusedForThisRun())
        return from;
    m_model.moveAccount(from, to);
    save();
    return to;
}

int AccountEditor::moveUp(int row) {
    const int count = m_model.rowCount();
    return count >= 2 && row >= 2 && row <= count ? move(row, row - 1) : row;
}

int AccountEditor::moveDown(int row) {
    const int count = m_model.rowCount();
    return count >= 2 && row >= 1 && row < count ? move(row, row + 1) : row;
}

int AccountEditor::moveToTop(int row) {
    const int count = m_model.rowCount();
    return count >= 2 && row > 1 && row <= count ? move(row, 1) : row;
}

int AccountEditor::moveToBottom(int row) {
    const int count = m_model.rowCount();
    return count >= 2 && row >= 1 && row < count ? move(row, count) : row;
}

void AccountEditor::changePassword(int row, AccountEntry& boxes) {
    if (row < 1 || row > m_model.rowCount() || refusedForThisRun())
        return;
    const QString password = boxes.password.trimmed();
    if (password.isEmpty()) {
        m_dialogs.message(kPasswordFailed + QLatin1Char('\n') + kNoPassword);
        return;
    }
    if (const QString refusal = unstorableTextRefusal({password}); !refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return;
    }
    const QString key = m_model.list().at(row).key;
    const int p = AccountKey::passwordMarkPosition(key);
    if (p < 3) {
        m_dialogs.message(kPasswordFailed + QLatin1Char('\n'));
        return;
    }
    m_model.setKey(row, key.left(p) + password);
    const AccountRow& account = m_model.list().at(row);
    m_connections.setPasswordInKeyring({account.username, account.server, account.port}, false);
    boxes.displayName.clear();
    boxes.username.clear();
    boxes.password.clear();
    save();
}

bool AccountEditor::rename(int row, const QString& name) {
    if (refusedForThisRun())
        return false;
    if (const QString refusal = unstorableTextRefusal({name}); !refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return false;
    }
    save(name, row);
    return true;
}

AccountEditor::PortCheck AccountEditor::filterPort(const QString& text) {
    if (text.isEmpty())
        return {text, false};
    const PortCheck refused{QStringLiteral("110"), true};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c > u'9')
            return refused;
        if (c < u'0') {
            // A minus sign in front is let through as typed.
            if (c == u'-' && i == 0)
                return {text, false};
            return refused;
        }
    }
    bool fits = false;
    text.toInt(&fits);
    return fits ? PortCheck{text, false} : refused;
}

void AccountEditor::trustCertificate(int row, std::function<void()> answered) {
    if (row < 1 || row > m_model.rowCount()) {
        m_beeper.beep();
        return;
    }
    const AccountRow& account = m_model.list().at(row);
    const QString server = account.server;
    const QString port = account.port;
    const QByteArray offered = m_connections.offeredCertificate(server, port);
    const QString where = visibleText(server) + QStringLiteral(" Port ") + visibleText(port);
    if (offered.isEmpty()) {
        m_dialogs.message(QStringLiteral("No Certificate Of ") + where +
                          QStringLiteral(" Was Refused Since Mervantic Started: Check Mail "
                                         "First, Then Trust The Certificate It Refuses"));
        return;
    }
    const CertificateFacts facts = CertificateFacts::of(offered);
    if (!facts.validNow) {
        m_dialogs.message(QStringLiteral("The Certificate Of ") + where +
                          QStringLiteral(" Is Valid From %1 To %2 Only: Trusting It Cannot Help. "
                                         "The Server's Administrator Must Install A Current "
                                         "Certificate (Or This Computer's Clock Is Wrong)")
                              .arg(facts.validFrom, facts.validUntil));
        return;
    }
    const QByteArray pinned = m_connections.pinnedCertificate(server, port);
    const bool changed = !pinned.isEmpty() && pinned != offered;
    // The fingerprint in two lines of 16 bytes, as it is read out and compared.
    QString detail;
    if (changed)
        detail = QStringLiteral(
                     "This may be an attack: the server presented another certificate than the "
                     "one you trusted for it. Trust the new one only if the server's "
                     "administrator confirms that it was replaced.\n\nTrusted before: SHA-256\n"
                     "%1\n%2\n\nPresented now:\n")
                     .arg(sha256Fingerprint(pinned).left(48), sha256Fingerprint(pinned).mid(48));
    // Every name in a certificate is the server's to choose: each is shown as one visible line,
    // so that none can pass for the fingerprint or hide it.
    detail += QStringLiteral("Subject: %1\nIssuer: %2\nValid: %3 To %4\nSHA-256:\n%5\n%6\n\n")
                  .arg(visibleText(facts.subject), visibleText(facts.issuer), facts.validFrom,
                       facts.validUntil, facts.sha256.left(48), facts.sha256.mid(48));
    detail += QStringLiteral(
        "Compare the fingerprint with the one the server's administrator gives you. Once "
        "trusted, this certificate and no other is accepted for this server and port, and only "
        "while it is valid.");
    const QString question =
        changed ? QStringLiteral("The Certificate Of ") + where +
                      QStringLiteral(" Has Changed Since You Trusted It. Trust The New One?")
                : QStringLiteral("Trust This Certificate For ") + where + QLatin1Char('?');
    m_dialogs.ask({question, detail, true},
                  [this, server, port, offered, answered = std::move(answered)](bool yes) {
                      if (yes)
                          m_connections.pinCertificate(server, port, offered);
                      if (answered)
                          answered();
                  });
}

} // namespace mervantic
