#pragma once

#include "store/AccountListModel.h"
#include "store/ConnectionSettings.h"

#include <QObject>

#include <functional>

namespace mervantic {

class KeptSecrets;
class SecretStore;

// "Keep Passwords In The Desktop Keyring": moves the accounts' passwords into the keyring and
// back, one account at a time. A password leaves the account file (a stand-in takes its place)
// only once the keyring has taken it and given it back unchanged; it comes back into the file
// before it leaves the keyring. A keyring that is not there, or locked, stops the move where it
// is, and nothing is lost.
class PasswordKeyring final : public QObject {
    Q_OBJECT

public:
    struct Context {
        AccountListModel& accounts;
        ConnectionSettings& connections;
        SecretStore& keyring;
        KeptSecrets& secrets;
        // Writes the account file; false, with why, when it could not.
        std::function<bool(QString* why)> saveAccounts;
    };
    explicit PasswordKeyring(Context context, QObject* parent = nullptr);

    void turnOn();
    void turnOff();
    // With the setting on: moves the passwords that are in the account file (an account added,
    // a password typed anew).
    void sweep();
    bool busy() const { return m_busy; }

    // What the account file holds in place of a password kept in the keyring.
    static QString standIn();

Q_SIGNALS:
    // The move is over: the setting as it now stands, and what happened, for the user (empty
    // after a sweep that went well).
    void finished(bool on, const QString& message);

private:
    enum class Direction { In, Out };
    void begin(Direction direction, bool turning);
    void step(Direction direction, int row, bool turning);
    void moveIn(int row, std::function<void(const QString& failure)> done);
    void moveOut(int row, std::function<void(const QString& failure)> done);
    void end(bool on, const QString& message);
    MailboxAddress address(int row) const;
    // The row (from 1) of the account, 0 when it is no longer listed.
    int rowOf(const MailboxAddress& account) const;
    const AccountList& list() const { return m_context.accounts.list(); }

    Context m_context;
    bool m_busy = false;
    int m_moved = 0;
};

} // namespace mervantic
