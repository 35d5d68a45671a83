#include "app/PasswordKeyring.h"

#include "platform/SecretStore.h"
#include "pop3/KeptSecrets.h"
#include "store/AccountKey.h"

namespace mervantic {

namespace {
const QString kWhat = QStringLiteral("passwords");
} // namespace

PasswordKeyring::PasswordKeyring(Context context, QObject* parent)
    : QObject(parent)
    , m_context(std::move(context)) {}

QString PasswordKeyring::standIn() {
    return QStringLiteral("(in the desktop keyring)");
}

MailboxAddress PasswordKeyring::address(int row) const {
    const AccountRow& account = list().at(row);
    return {account.username, account.server, account.port};
}

int PasswordKeyring::rowOf(const MailboxAddress& account) const {
    for (int row = 1; row <= list().count(); ++row) {
        if (address(row) == account)
            return row;
    }
    return 0;
}

void PasswordKeyring::turnOn() {
    begin(Direction::In, true);
}

void PasswordKeyring::turnOff() {
    begin(Direction::Out, true);
}

void PasswordKeyring::sweep() {
    if (m_context.connections.keepPasswordsInKeyring())
        begin(Direction::In, false);
}

void PasswordKeyring::begin(Direction direction, bool turning) {
    // One move at a time: the accounts are walked once, each step on the answer of the last.
    if (m_busy)
        return;
    m_busy = true;
    m_moved = 0;
    step(direction, 1, turning);
}

void PasswordKeyring::step(Direction direction, int row, bool turning) {
    // The list may change between two steps (an account deleted): each step looks afresh.
    while (row <= list().count()) {
        const bool inKeyring = m_context.connections.passwordInKeyring(address(row));
        if ((direction == Direction::In) != inKeyring)
            break;
        ++row;
    }
    if (row > list().count()) {
        const bool on = direction == Direction::In;
        if (turning)
            m_context.connections.setKeepPasswordsInKeyring(on);
        QString message;
        if (turning) {
            message = on ? QStringLiteral("%1 Password(s) Moved To The Desktop Keyring; The "
                                          "Username File Holds None Of Them")
                               .arg(m_moved)
                         : QStringLiteral("%1 Password(s) Moved Back Into The Username File")
                               .arg(m_moved);
        }
        end(m_context.connections.keepPasswordsInKeyring(), message);
        return;
    }
    const auto next = [this, direction, row, turning](const QString& failure) {
        if (!failure.isEmpty()) {
            const bool on = m_context.connections.keepPasswordsInKeyring();
            end(on, (direction == Direction::In
                         ? QStringLiteral("The Passwords Could Not All Be Moved To The Desktop "
                                          "Keyring: ")
                         : QStringLiteral("The Passwords Could Not All Be Moved Back Into The "
                                          "Username File: ")) +
                        failure +
                        QStringLiteral("\nNothing Was Lost: Each Password Is In The File Or In "
                                       "The Keyring"));
            return;
        }
        ++m_moved;
        step(direction, row + 1, turning);
    };
    if (direction == Direction::In)
        moveIn(row, next);
    else
        moveOut(row, next);
}

void PasswordKeyring::moveIn(int row, std::function<void(const QString&)> done) {
    const MailboxAddress account = address(row);
    const std::optional<QString> password = AccountKey::password(list().at(row).key);
    if (!password) {
        done(QStringLiteral("the password of %1 could not be read from the file")
                 .arg(account.username));
        return;
    }
    const QString name = m_context.secrets.passwordName(account);
    const QByteArray secret = password->toUtf8();
    m_context.keyring.write(
        name, secret, KeptSecrets::label(QStringLiteral("password"), account),
        [this, account, name, secret, done](const SecretStore::Answer& written) {
            if (!written.done()) {
                done(secretStoreFailure(written, kWhat));
                return;
            }
            // Read back before the file lets go of it.
            m_context.keyring.read(name, [this, account, secret,
                                          done](const SecretStore::Answer& read) {
                if (!read.done() || read.secret != secret) {
                    done(read.done()
                             ? QStringLiteral("the keyring gave back another password for %1")
                                   .arg(account.username)
                             : secretStoreFailure(read, kWhat));
                    return;
                }
                const int now = rowOf(account);
                if (now < 1) {
                    done({});
                    return;
                }
                // Marked as kept in the keyring first: should the program stop between the two,
                // the file still holds the password and the keyring's is the same.
                m_context.connections.setPasswordInKeyring(account, true);
                const QString key = list().at(now).key;
                const int mark = AccountKey::passwordMarkPosition(key);
                m_context.accounts.setKey(now, key.left(mark) + standIn());
                QString why;
                if (!m_context.saveAccounts(&why)) {
                    m_context.accounts.setKey(now, key);
                    m_context.connections.setPasswordInKeyring(account, false);
                    done(QStringLiteral("the username file could not be written (%1)").arg(why));
                    return;
                }
                done({});
            });
        });
}

void PasswordKeyring::moveOut(int row, std::function<void(const QString&)> done) {
    const MailboxAddress account = address(row);
    const QString name = m_context.secrets.passwordName(account);
    m_context.keyring.read(name, [this, account, name, done](const SecretStore::Answer& read) {
        if (!read.done()) {
            done(QStringLiteral("the password of %1: ").arg(account.username) +
                 secretStoreFailure(read, kWhat));
            return;
        }
        const int now = rowOf(account);
        if (now < 1) {
            done({});
            return;
        }
        const QString key = list().at(now).key;
        const int mark = AccountKey::passwordMarkPosition(key);
        m_context.accounts.setKey(now, key.left(mark) + QString::fromUtf8(read.secret));
        QString why;
        if (!m_context.saveAccounts(&why)) {
            m_context.accounts.setKey(now, key);
            done(QStringLiteral("the username file could not be written (%1)").arg(why));
            return;
        }
        // In the file again: only now does it leave the keyring.
        m_context.connections.setPasswordInKeyring(account, false);
        m_context.keyring.remove(name, [](const SecretStore::Answer&) {});
        done({});
    });
}

void PasswordKeyring::end(bool on, const QString& message) {
    m_busy = false;
    Q_EMIT finished(on, message);
}

} // namespace mervantic
