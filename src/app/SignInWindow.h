#pragma once

#include "store/ConnectionSettings.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mervantic {

class AccountSignIn;

// How the selected account signs in: its password, or OAuth2 with a provider (Microsoft,
// Google, or another by its address) and the application registered there; and "Sign In",
// which opens the provider's page in the browser. A window of its own beside the main window:
// nothing waits for it, the sign-in's end is shown in it when it comes.
class SignInWindow final : public QWidget {
    Q_OBJECT

public:
    SignInWindow(ConnectionSettings& connections, AccountSignIn& signIn, QWidget* parent = nullptr);

    void showFor(const MailboxAddress& account, const QString& displayName);
    const MailboxAddress& account() const { return m_account; }

    QComboBox* kindBox() const { return m_kind; }
    QComboBox* providerBox() const { return m_provider; }
    QLineEdit* clientIdBox() const { return m_clientId; }
    QLineEdit* clientSecretBox() const { return m_clientSecret; }
    QLineEdit* extraScopeBox() const { return m_extraScope; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* signInButton() const { return m_signIn; }
    QString statusText() const;

Q_SIGNALS:
    // How the account signs in was saved (before a sign-in, or by "Save").
    void saved(const mervantic::MailboxAddress& account);

private:
    SignIn boxes() const;
    void save();
    void showKind();
    void say(const QString& text);

    ConnectionSettings& m_connections;
    AccountSignIn& m_signInRun;
    MailboxAddress m_account;
    QLabel* m_title;
    QComboBox* m_kind;
    QComboBox* m_provider;
    QLineEdit* m_clientId;
    QLineEdit* m_clientSecret;
    QLineEdit* m_extraScope;
    QPushButton* m_save;
    QPushButton* m_signIn;
    QLabel* m_status;
};

} // namespace mervantic
