#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace mervantic {

// One configured mailbox as a row of the account list. The key carries the clear password
// behind its first "P" (see AccountKey); the password lives nowhere else in memory.
struct AccountRow {
    QString displayName;
    QString username;
    QString server;
    QString port;
    QString key;
    bool checked = false;
    // The record as the file held it, when its password could not be read (a damaged record,
    // a gap): written back as it was, so that nothing the program cannot read is lost.
    QByteArray unreadable{};
    // Why the record the row came from is damaged (cut short by a crash or a full disk); empty
    // for a sound one. A damaged row is shown, and a check skips it saying why.
    QString damage{};
};

// An account's port as the number a connection needs; nothing when the text is not a port
// number (1 to 65535), with why in words the user can act on.
std::optional<int> portNumber(const QString& port, QString* why = nullptr);

// The accounts in the user's order. The check run walks it with 1-based row numbers.
class AccountList {
public:
    int count() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    // Row `row`, counted from 1.
    const AccountRow& at(int row) const;
    AccountRow& at(int row);
    const std::vector<AccountRow>& rows() const { return m_rows; }

    void append(AccountRow row);
    void insert(int row, AccountRow account);
    void remove(int row);
    void clear() { m_rows.clear(); }

    bool isItemChecked(int row) const;
    void checkItem(int row);
    void uncheckItem(int row);

private:
    std::vector<AccountRow> m_rows;
};

} // namespace mervantic
