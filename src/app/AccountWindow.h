#pragma once

#include "mail/FailureRemedy.h"
#include "store/ConnectionSettings.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mervantic {

class AccountEditor;
class AccountListModel;
class Dialogs;
class KeptSecrets;
class LoginDelays;

// An account's own window: what it has beyond the account page's boxes, and the way to mend
// what went wrong with it. Its last failure in full; its security, with what each choice means;
// the certificate its server last presented (to trust it) or the one trusted (to forget it);
// how it signs in, and whether the keyring holds it; a new password; the time its server asks
// between log-ons. It scrolls rather than hides, so every control is there at any size, and
// nothing waits for it.
class AccountWindow final : public QWidget {
    Q_OBJECT

public:
    struct Parts {
        AccountListModel& accounts;
        AccountEditor& editor;
        ConnectionSettings& connections;
        KeptSecrets& secrets;
        const LoginDelays& loginDelays;
        Dialogs& dialogs;
    };
    // What the last check said of the account, if it failed.
    struct LastFailure {
        QString reason;
        Remedy remedy = Remedy::CheckAgain;
    };

    explicit AccountWindow(Parts parts, QWidget* parent = nullptr);

    // Shows the account (a row of the account list, from 1), with the control that mends
    // `failure` focused.
    void showFor(int row, const std::optional<LastFailure>& failure);
    const MailboxAddress& account() const { return m_account; }
    // What the latest check said of the account: its failure, or nothing.
    void setLastFailure(const std::optional<LastFailure>& failure);
    // How the account signs in, and what the keyring holds of it (asked anew: after a sign-in).
    void showSignIn();

    QComboBox* securityBox() const { return m_security; }
    QPushButton* useSecurityButton() const { return m_useSecurity; }
    QPushButton* unencryptedButton() const { return m_unencrypted; }
    QPushButton* trustButton() const { return m_trust; }
    QPushButton* forgetButton() const { return m_forget; }
    QLineEdit* passwordBox() const { return m_password; }
    QPushButton* passwordButton() const { return m_changePassword; }
    QPushButton* signInButton() const { return m_signIn; }
    QPushButton* checkButton() const { return m_check; }
    QCheckBox* handChecksOnlyBox() const { return m_handOnly; }
    QString failureText() const;
    QString certificateText() const;
    QString signInText() const;
    QString loginDelayText() const;

Q_SIGNALS:
    // "Sign-In...": the account's sign-in window, for the row (from 1).
    void signInWanted(int row);
    // "Check Mail Now".
    void checkWanted();

private:
    QPushButton* button(const char* name, const QString& text);
    // The account's row now (moves and deletions change it); 0 when it is gone.
    int currentRow() const;
    // All but the sign-in, which asks the keyring: shown again after every change and check.
    void refresh();
    void showSecurityMeaning();
    void useSecurity();
    void goUnencrypted();
    void trust();
    void forgetTrust();
    void changePassword();
    void focusFor(Remedy remedy);

    Parts m_parts;
    MailboxAddress m_account;
    std::optional<LastFailure> m_failure;
    QLabel* m_title;
    QLabel* m_failureText;
    QComboBox* m_security;
    QLabel* m_securityMeaning;
    QPushButton* m_useSecurity;
    QPushButton* m_unencrypted;
    QLabel* m_certificate;
    QPushButton* m_trust;
    QPushButton* m_forget;
    QLabel* m_signInText;
    QLineEdit* m_password;
    QPushButton* m_changePassword;
    QPushButton* m_signIn;
    QLabel* m_loginDelay;
    QCheckBox* m_handOnly;
    QPushButton* m_check;
    QPushButton* m_close;
    // Counts the keyring questions, so that a late answer about another account is dropped.
    quint64 m_asked = 0;
};

} // namespace mervantic
