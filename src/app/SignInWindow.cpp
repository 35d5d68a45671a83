#include "app/SignInWindow.h"

#include "app/AccountSignIn.h"
#include "store/VisibleText.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mervantic {

namespace {
const QString kPassword = QStringLiteral("Password");
const QString kOAuth2 = QStringLiteral("OAuth2");
} // namespace

SignInWindow::SignInWindow(ConnectionSettings& connections, AccountSignIn& signIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_connections(connections)
    , m_signInRun(signIn)
    , m_title(new QLabel(this))
    , m_kind(new QComboBox(this))
    , m_provider(new QComboBox(this))
    , m_clientId(new QLineEdit(this))
    , m_clientSecret(new QLineEdit(this))
    , m_extraScope(new QLineEdit(this))
    , m_save(new QPushButton(QStringLiteral("Save"), this))
    , m_signIn(new QPushButton(QStringLiteral("Sign In"), this))
    , m_status(new QLabel(this)) {
    setObjectName(QStringLiteral("frmSignIn"));
    setWindowTitle(QStringLiteral("Mervantic - Sign-In"));
    // Account names and the provider's words are shown as they are, never as markup.
    m_title->setTextFormat(Qt::PlainText);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_kind->setObjectName(QStringLiteral("ComboSignIn"));
    m_kind->addItems({kPassword, kOAuth2});
    m_provider->setObjectName(QStringLiteral("ComboProvider"));
    m_provider->setEditable(true);
    m_provider->addItems({QStringLiteral("Microsoft"), QStringLiteral("Google")});
    m_provider->setToolTip(QStringLiteral(
        "Microsoft (Outlook.com, Hotmail, Microsoft 365), Google (Gmail), or another "
        "provider's address (https://...), which tells the rest itself"));
    m_clientId->setObjectName(QStringLiteral("TextClientId"));
    m_clientId->setToolTip(QStringLiteral(
        "The application (client) ID you got when you registered Mervantic with the provider"));
    m_clientSecret->setObjectName(QStringLiteral("TextClientSecret"));
    m_clientSecret->setToolTip(
        QStringLiteral("Google gives a desktop application a client secret too; it is not "
                       "secret, and other providers need none"));
    m_extraScope->setObjectName(QStringLiteral("TextExtraScope"));
    m_extraScope->setToolTip(QStringLiteral(
        "A scope of the provider's own for mail, asked for beside openid and offline_access "
        "(its documentation names it); Microsoft and Google need none"));
    m_save->setObjectName(QStringLiteral("CommandSaveSignIn"));
    m_signIn->setObjectName(QStringLiteral("CommandSignIn"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Sign-In"), m_kind);
    form->addRow(QStringLiteral("Provider"), m_provider);
    form->addRow(QStringLiteral("Application (Client) ID"), m_clientId);
    form->addRow(QStringLiteral("Client Secret (Google)"), m_clientSecret);
    form->addRow(QStringLiteral("Extra Scope (Other Providers)"), m_extraScope);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_signIn);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_title);
    column->addLayout(form);
    column->addLayout(buttons);
    column->addWidget(m_status);
    column->addStretch();
    resize(460, 260);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &SignInWindow::showKind);
    connect(m_save, &QPushButton::clicked, this, [this] {
        save();
        say(QStringLiteral("Saved."));
    });
    // While a sign-in is under way the button ends it: a browser closed half way need not be
    // waited for.
    connect(m_signIn, &QPushButton::clicked, this, [this] {
        if (m_signInRun.running()) {
            m_signInRun.cancel();
            return;
        }
        save();
        m_signInRun.start(m_account);
        if (m_signInRun.running())
            m_signIn->setText(QStringLiteral("Cancel Sign-In"));
    });
    connect(&m_signInRun, &AccountSignIn::progress, this, &SignInWindow::say);
    connect(&m_signInRun, &AccountSignIn::ended, this,
            [this](const MailboxAddress& account, const QString& failure) {
                if (!(account == m_account))
                    return;
                m_signIn->setText(QStringLiteral("Sign In"));
                m_signIn->setEnabled(m_kind->currentText() == kOAuth2);
                say(failure.isEmpty()
                        ? QStringLiteral("Signed in. The sign-in is kept in the desktop keyring, "
                                         "and the next check uses it.")
                        : QStringLiteral("The sign-in did not succeed: ") + failure);
            });
}

void SignInWindow::showFor(const MailboxAddress& account, const QString& displayName) {
    if (m_signInRun.running() && !(account == m_account))
        m_signInRun.cancel();
    m_account = account;
    m_title->setText(QStringLiteral("%1 (%2 on %3, port %4)")
                         .arg(visibleText(displayName), visibleText(account.username),
                              visibleText(account.server), visibleText(account.port)));
    const SignIn signIn = m_connections.signIn(account);
    m_kind->setCurrentText(signIn.oauth2() ? kOAuth2 : kPassword);
    m_provider->setCurrentText(signIn.provider.isEmpty() ? QStringLiteral("Microsoft")
                                                         : signIn.provider);
    m_clientId->setText(signIn.clientId);
    m_clientSecret->setText(signIn.clientSecret);
    m_extraScope->setText(signIn.extraScope);
    m_status->clear();
    showKind();
    show();
    raise();
    activateWindow();
}

QString SignInWindow::statusText() const {
    return m_status->text();
}

SignIn SignInWindow::boxes() const {
    SignIn signIn;
    if (m_kind->currentText() == kOAuth2) {
        signIn.kind = SignIn::Kind::OAuth2;
        signIn.provider = m_provider->currentText().trimmed();
        signIn.clientId = m_clientId->text().trimmed();
        signIn.clientSecret = m_clientSecret->text().trimmed();
        signIn.extraScope = m_extraScope->text().simplified();
    }
    return signIn;
}

void SignInWindow::save() {
    m_connections.setSignIn(m_account, boxes());
    Q_EMIT saved(m_account);
}

void SignInWindow::showKind() {
    const bool oauth2 = m_kind->currentText() == kOAuth2;
    for (QWidget* box :
         {static_cast<QWidget*>(m_provider), static_cast<QWidget*>(m_clientId),
          static_cast<QWidget*>(m_clientSecret), static_cast<QWidget*>(m_extraScope)})
        box->setEnabled(oauth2);
    m_signIn->setEnabled(oauth2 || m_signInRun.running());
}

void SignInWindow::say(const QString& text) {
    // What a provider answered may be in it.
    m_status->setText(visibleLines(text));
}

} // namespace mervantic
