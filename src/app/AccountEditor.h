#pragma once

#include "store/AccountFile.h"
#include "store/ConnectionSettings.h"

#include <QString>

#include <functional>

namespace mervantic {

class AccountListModel;
class Beeper;
class Dialogs;

// The texts of the account page's five entry boxes, which the editing commands read and set.
struct AccountEntry {
    QString displayName; // Text11, 64 characters at most
    QString username;    // Text2, 64
    QString password;    // Text3, 62
    QString server;      // Text4, 256
    QString port;        // Text5, "110" at first
    // The security box beside them; nothing: the port's default.
    std::optional<Security> security{};
};

// The account page's commands: add from the entry boxes, delete, the four moves, a new
// password, and the rename in place. Each change goes to the account list and to the account
// file at once. While the account file cannot be written by this run (it could not be read at
// start), no change is made at all: the list shows what the file holds.
class AccountEditor {
public:
    AccountEditor(AccountListModel& model, const AccountFile& file, ConnectionSettings& connections,
                  Dialogs& dialogs, Beeper& beeper);

    // "Add": checks the boxes, refuses a duplicate, appends the account and its record. The
    // boxes are left ready for the next account: server and port kept, the others emptied.
    void add(AccountEntry& boxes);
    // "Delete" and the menu's delete: the row (from 1), after a confirmation. 0: no row chosen.
    void remove(int row);
    // The moves return the row's new place, or `row` when nothing moved.
    int moveUp(int row);
    int moveDown(int row);
    int moveToTop(int row);
    int moveToBottom(int row);
    // "Enter New Password For Selected Item": the password box's text becomes the row's password.
    void changePassword(int row, AccountEntry& boxes);
    // "Change Selected Item To The Boxes": the row (from 1) takes the boxes' display name, user
    // name, server and port, and their password unless that box is empty, with the checks of
    // "Add" (empty boxes, text the file cannot hold, another row with the same user name,
    // server and port, a port that is no number). The boxes are emptied as after "Add". The
    // seen memory follows the account through `mailboxMoved`.
    void edit(int row, AccountEntry& boxes);
    // "Copy Selected Item To The Boxes": the boxes show the row, all but its password, and its
    // security.
    AccountEntry entryOf(int row) const;
    // Told when an edit changed an account.
    using AccountChanged = std::function<void(const AccountRow& before, const AccountRow& after)>;
    void setAccountChanged(AccountChanged handler) { m_accountChanged = std::move(handler); }
    // Told of an account deleted, before its connection settings go.
    void setAccountRemoved(std::function<void(const MailboxAddress&)> handler) {
        m_accountRemoved = std::move(handler);
    }

    // "Trust This Certificate": shows the certificate the row's server presented when its
    // secure connection was last refused, and on Yes trusts it for that server and port.
    // `answered` is told once the question is answered, either way.
    void trustCertificate(int row, std::function<void()> answered = {});

    // The display name typed in place; the file takes it before the list does. False when the
    // name is refused and the list keeps the old one.
    bool rename(int row, const QString& name);

    // The port box's filter, on every change of its text: the text the box should hold, and
    // whether to beep.
    struct PortCheck {
        QString text;
        bool beep = false;
    };
    static PortCheck filterPort(const QString& text);

private:
    int move(int from, int to);
    void save(const QString& replacementName = {}, int renamedRow = 0);
    // True, after saying so, when the file may not be written by this run.
    bool refusedForThisRun();

    AccountListModel& m_model;
    const AccountFile& m_file;
    // Each account's security follows it through an edit and goes with it.
    ConnectionSettings& m_connections;
    Dialogs& m_dialogs;
    Beeper& m_beeper;
    AccountChanged m_accountChanged;
    std::function<void(const MailboxAddress&)> m_accountRemoved;
};

} // namespace mervantic
