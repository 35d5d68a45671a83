#pragma once

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace mervantic {

class AccountListModel;

// The "Configure Usernames" page (Frame3): the account list and the boxes to add an account.
class AccountPage final : public QGroupBox {
    Q_OBJECT

public:
    // The width of the column of entry boxes beside the list.
    static constexpr int kEntryColumnWidth = 128;

    AccountPage(AccountListModel& model, QWidget* parent = nullptr);

    QTreeView* list() const { return m_list; }
    QLineEdit* displayNameBox() const { return m_displayName; }
    QLineEdit* usernameBox() const { return m_username; }
    QLineEdit* passwordBox() const { return m_password; }
    QLineEdit* serverBox() const { return m_server; }
    QLineEdit* portBox() const { return m_port; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    // How the account's connection is protected, under the buttons; its items are the words of
    // the connection settings ("TLS", "STARTTLS", "STARTTLS when offered", "None").
    QComboBox* securityBox() const { return m_security; }
    // "Trust This Certificate", for the selected account's server, under the security box.
    QPushButton* trustButton() const { return m_trust; }
    // "Sign-In...": how the selected account signs in (its password, or OAuth2).
    QPushButton* signInButton() const { return m_signIn; }

    // The list takes the page less the entry column (2,025 twips) and a strip at the bottom
    // (285 twips); the boxes follow its right edge.
    void layOut();

Q_SIGNALS:
    // A right click over the account list, for its menu.
    void menuRequested(const QPoint& globalPosition);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addBox(const QString& name, const QString& label, int maxLength);
    // A button of the page, named for tests and assistive technology (by its text unless
    // `accessibleName` says otherwise).
    QPushButton* addButton(const QString& name, const QString& text,
                           const QString& accessibleName = {});
    // The security box's font, made small enough for its longest choice to show whole.
    void fitSecurityBox();

    QTreeView* m_list;
    QLineEdit* m_displayName;
    QLineEdit* m_username;
    QLineEdit* m_password;
    QLineEdit* m_server;
    QLineEdit* m_port;
    QPushButton* m_add;
    QPushButton* m_delete;
    QLabel* m_securityCaption;
    QComboBox* m_security;
    QPushButton* m_trust;
    QPushButton* m_signIn;
    QList<QWidget*> m_entryColumn;
};

} // namespace mervantic
