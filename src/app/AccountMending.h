#pragma once

#include "app/AccountWindow.h"

#include <QObject>

namespace mervantic {

class AccountList;
class Dialogs;
class MailChecker;
class MailList;
class MainMenus;
class MainWindow;

// What a failed account's row offers: Enter, a double-click and its menu's first item do what
// mends that failure (review the certificate, try TLS from the start, sign in, check again...),
// and its menu opens the account's own window. The account list opens the same window.
class AccountMending final : public QObject {
    Q_OBJECT

public:
    struct Parts {
        MainWindow& window;
        MainMenus& menus;
        MailList& mail;
        MailChecker& checker;
        Dialogs& dialogs;
        ConnectionSettings& connections;
        AccountWindow::Parts accountWindow;
        // Opens the sign-in window of an account (a row of the account list, from 1).
        std::function<void(int row)> openSignIn;
    };
    explicit AccountMending(Parts parts, QObject* parent = nullptr);
    ~AccountMending() override;

    AccountWindow& accountWindow() { return *m_accountWindow; }
    // What Enter does on the mail list's row (from 1): a failed account's remedy; nothing on
    // the row of an account that was checked.
    void mendRow(int mailRow);
    // The account's window, for the account of the mail list's row, else for the account
    // list's row.
    void openForMailRow(int mailRow);
    void openForAccount(int accountRow);
    // The words of the menu item that does what Enter does.
    static QString mendText(Remedy remedy);

private:
    // The account list's row of the mail list's row's account; 0 when it is no longer listed.
    int accountRowOf(int mailRow) const;
    void offerTls(int accountRow, int mailRow);
    // The failure the mail list shows for the account, if any.
    std::optional<AccountWindow::LastFailure> failureOf(const MailboxAddress& account) const;
    void popUpMenu(int mailRow, const QPoint& at);

    Parts m_parts;
    std::unique_ptr<AccountWindow> m_accountWindow;
    // The failed row the menu was opened on.
    int m_menuRow = 0;
};

} // namespace mervantic
