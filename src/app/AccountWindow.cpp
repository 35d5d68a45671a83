#include "app/AccountWindow.h"

#include "app/AccountEditor.h"
#include "app/Dialogs.h"
#include "platform/CertificateFacts.h"
#include "pop3/KeptSecrets.h"
#include "pop3/LoginDelays.h"
#include "store/AccountListModel.h"
#include "store/VisibleText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace mervantic {

namespace {

QLabel* plainLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Reasons, certificate names and account names come from outside: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QString meaningOf(Security security) {
    switch (security) {
    case Security::Tls:
        return QStringLiteral("Encrypted from the first byte (usually port 995). Nothing is "
                              "sent unless the server's certificate is trusted.");
    case Security::StartTls:
        return QStringLiteral("Encrypted after the greeting (STLS, usually port 110). An "
                              "account whose server does not offer it is not checked.");
    case Security::StartTlsWhenOffered:
        return QStringLiteral("Encrypted whenever the server offers it; plain only with a "
                              "server that never did. Once seen, its absence stops the check.");
    case Security::None:
        return QStringLiteral("Never encrypted: the password and every message cross the "
                              "network as they are, readable by anyone on the way.");
    }
    return {};
}

QString certificateLines(const QString& heading, const QByteArray& der) {
    const CertificateFacts facts = CertificateFacts::of(der);
    // Each name is the server's own choice: one visible line each, so that none can pass for
    // the fingerprint.
    return QStringLiteral("%1\nSubject: %2\nIssuer: %3\nValid: %4 To %5%6\nSHA-256:\n%7\n%8")
        .arg(heading, visibleText(facts.subject), visibleText(facts.issuer), facts.validFrom,
             facts.validUntil, facts.validNow ? QString() : QStringLiteral(" (not valid now)"),
             facts.sha256.left(48), facts.sha256.mid(48));
}

} // namespace

AccountWindow::AccountWindow(Parts parts, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_parts(parts) {
    setObjectName(QStringLiteral("frmAccount"));
    setWindowTitle(QStringLiteral("Mervantic - Account Settings"));
    auto* page = new QWidget;
    m_title = plainLabel(page, "LabelAccount");

    auto* lastCheck = new QGroupBox(QStringLiteral("Last Check"), page);
    m_failureText = plainLabel(lastCheck, "LabelLastFailure");
    m_check = button("CommandCheckNow", QStringLiteral("Check Mail Now"));
    auto* lastColumn = new QVBoxLayout(lastCheck);
    lastColumn->addWidget(m_failureText);
    lastColumn->addWidget(m_check, 0, Qt::AlignLeft);

    auto* security = new QGroupBox(QStringLiteral("Security"), page);
    m_security = new QComboBox(security);
    m_security->setObjectName(QStringLiteral("ComboAccountSecurity"));
    m_security->setAccessibleName(QStringLiteral("Security"));
    for (const Security choice :
         {Security::Tls, Security::StartTls, Security::StartTlsWhenOffered, Security::None})
        m_security->addItem(securityText(choice), static_cast<int>(choice));
    m_securityMeaning = plainLabel(security, "LabelSecurityMeaning");
    m_useSecurity = button("CommandUseSecurity", QStringLiteral("Use This Security"));
    m_unencrypted =
        button("CommandUnencrypted", QStringLiteral("Check Without Encryption, As Before..."));
    auto* securityColumn = new QVBoxLayout(security);
    securityColumn->addWidget(m_security);
    securityColumn->addWidget(m_securityMeaning);
    auto* securityButtons = new QHBoxLayout;
    securityButtons->addWidget(m_useSecurity);
    securityButtons->addWidget(m_unencrypted);
    securityButtons->addStretch();
    securityColumn->addLayout(securityButtons);

    auto* certificate = new QGroupBox(QStringLiteral("Certificate"), page);
    m_certificate = plainLabel(certificate, "LabelCertificate");
    m_trust = button("CommandTrustCertificate", QStringLiteral("Trust This Certificate"));
    m_forget = button("CommandForgetTrust", QStringLiteral("Forget The Trusted Certificate"));
    auto* certificateColumn = new QVBoxLayout(certificate);
    certificateColumn->addWidget(m_certificate);
    auto* certificateButtons = new QHBoxLayout;
    certificateButtons->addWidget(m_trust);
    certificateButtons->addWidget(m_forget);
    certificateButtons->addStretch();
    certificateColumn->addLayout(certificateButtons);

    auto* signIn = new QGroupBox(QStringLiteral("Sign-In"), page);
    m_signInText = plainLabel(signIn, "LabelSignIn");
    m_password = new QLineEdit(signIn);
    m_password->setObjectName(QStringLiteral("TextNewPassword"));
    m_password->setAccessibleName(QStringLiteral("New Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(62);
    m_changePassword = button("CommandNewPassword", QStringLiteral("Enter New Password"));
    m_signIn = button("CommandAccountSignIn", QStringLiteral("Sign-In..."));
    m_signIn->setAccessibleName(QStringLiteral("Sign-In"));
    auto* signInForm = new QFormLayout;
    signInForm->addRow(m_signInText);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(m_password, 1);
    passwordRow->addWidget(m_changePassword);
    signInForm->addRow(QStringLiteral("New Password"), passwordRow);
    signInForm->addRow(m_signIn);
    signIn->setLayout(signInForm);

    m_loginDelay = plainLabel(page, "LabelLoginDelay");
    m_handOnly =
        new QCheckBox(QStringLiteral("Leave It Out Of Timed Checks (Check It By Hand Only)"), page);
    m_handOnly->setObjectName(QStringLiteral("CheckHandChecksOnly"));
    m_close = button("CommandCloseAccount", QStringLiteral("Close"));

    auto* column = new QVBoxLayout(page);
    column->addWidget(m_title);
    for (QWidget* group : {static_cast<QWidget*>(lastCheck), static_cast<QWidget*>(security),
                           static_cast<QWidget*>(certificate), static_cast<QWidget*>(signIn)})
        column->addWidget(group);
    column->addWidget(m_loginDelay);
    column->addWidget(m_handOnly);
    column->addWidget(m_close, 0, Qt::AlignRight);
    column->addStretch();
    // Every control stays reachable, however small the window or large the font: it scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    resize(520, 560);

    connect(m_security, &QComboBox::currentIndexChanged, this, &AccountWindow::showSecurityMeaning);
    connect(m_useSecurity, &QPushButton::clicked, this, &AccountWindow::useSecurity);
    connect(m_unencrypted, &QPushButton::clicked, this, &AccountWindow::goUnencrypted);
    connect(m_trust, &QPushButton::clicked, this, &AccountWindow::trust);
    connect(m_forget, &QPushButton::clicked, this, &AccountWindow::forgetTrust);
    connect(m_changePassword, &QPushButton::clicked, this, &AccountWindow::changePassword);
    connect(m_password, &QLineEdit::returnPressed, this, &AccountWindow::changePassword);
    connect(m_signIn, &QPushButton::clicked, this, [this] {
        if (const int row = currentRow(); row != 0)
            Q_EMIT signInWanted(row);
    });
    connect(m_check, &QPushButton::clicked, this, &AccountWindow::checkWanted);
    connect(m_handOnly, &QCheckBox::clicked, this,
            [this](bool on) { m_parts.connections.setHandChecksOnly(m_account, on); });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes it, as it closes a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

QPushButton* AccountWindow::button(const char* name, const QString& text) {
    auto* made = new QPushButton(text, this);
    made->setObjectName(QString::fromLatin1(name));
    made->setAccessibleName(text);
    return made;
}

void AccountWindow::setLastFailure(const std::optional<LastFailure>& failure) {
    m_failure = failure;
    refresh();
}

void AccountWindow::showFor(int row, const std::optional<LastFailure>& failure) {
    const AccountRow& account = m_parts.accounts.list().at(row);
    m_account = {account.username, account.server, account.port};
    m_failure = failure;
    m_title->setText(QStringLiteral("%1 (%2 on %3, port %4)")
                         .arg(visibleText(account.displayName), visibleText(account.username),
                              visibleText(account.server), visibleText(account.port)));
    m_password->clear();
    refresh();
    showSignIn();
    show();
    raise();
    activateWindow();
    focusFor(failure ? failure->remedy : Remedy::CheckAgain);
}

int AccountWindow::currentRow() const {
    const AccountList& list = m_parts.accounts.list();
    for (int row = 1; row <= list.count(); ++row) {
        const AccountRow& account = list.at(row);
        if (MailboxAddress{account.username, account.server, account.port} == m_account)
            return row;
    }
    return 0;
}

void AccountWindow::refresh() {
    ConnectionSettings& connections = m_parts.connections;
    m_failureText->setText(
        m_failure ? remedyWords(m_failure->remedy) + QStringLiteral(": ") +
                        visibleLines(m_failure->reason)
                  : QStringLiteral("No failure: the last check read this account to the end, "
                                   "or it has not been checked since Mervantic started."));
    const Security chosen = connections.security(m_account);
    m_security->setCurrentIndex(m_security->findData(static_cast<int>(chosen)));
    showSecurityMeaning();
    // Checking as before the upgrade is offered only where it was so: an account whose security
    // was never chosen and whose first encryption failed.
    m_unencrypted->setVisible(m_failure && m_failure->remedy == Remedy::TrustOrGoUnencrypted &&
                              chosen != Security::None);

    const QByteArray offered = connections.offeredCertificate(m_account.server, m_account.port);
    const QByteArray pinned = connections.pinnedCertificate(m_account.server, m_account.port);
    QStringList shown;
    if (!offered.isEmpty() && offered != pinned)
        shown << certificateLines(QStringLiteral("Presented by the server and refused:"), offered);
    if (!pinned.isEmpty())
        shown << certificateLines(QStringLiteral("Trusted by you for this server and port:"),
                                  pinned);
    if (shown.isEmpty())
        shown << QStringLiteral("No certificate was refused since Mervantic started, and none is "
                                "trusted by you: the authorities this computer trusts decide.");
    m_certificate->setText(shown.join(QStringLiteral("\n\n")));
    m_trust->setEnabled(!offered.isEmpty() && offered != pinned &&
                        CertificateFacts::of(offered).validNow);
    m_forget->setEnabled(!pinned.isEmpty());

    m_handOnly->setChecked(connections.handChecksOnly(m_account));
    const int delay = m_parts.loginDelays.delaySeconds(m_account);
    m_loginDelay->setText(
        delay > 0 ? QStringLiteral("The server allows a log-on every %1 minutes (LOGIN-DELAY): "
                                   "timed checks leave it alone until then.")
                        .arg((delay + 59) / 60)
                  : QStringLiteral("The server has asked for no time between log-ons "
                                   "(LOGIN-DELAY)."));
}

void AccountWindow::showSignIn() {
    const SignIn signIn = m_parts.connections.signIn(m_account);
    const QString how = signIn.oauth2()
                            ? QStringLiteral("OAuth2 with %1, application %2.")
                                  .arg(visibleText(signIn.provider),
                                       signIn.clientId.isEmpty() ? QStringLiteral("(none set)")
                                                                 : visibleText(signIn.clientId))
                            : QStringLiteral("Password.");
    m_signInText->setText(how + QStringLiteral(" Asking the desktop keyring..."));
    const quint64 asked = ++m_asked;
    const MailboxAddress account = m_account;
    // The keyring may answer after the window is gone.
    m_parts.secrets.describe(
        account, [self = QPointer<AccountWindow>(this), asked, how](const QString& state) {
            if (self && asked == self->m_asked)
                self->m_signInText->setText(how + QLatin1Char(' ') + state);
        });
    m_password->setEnabled(!signIn.oauth2());
    m_changePassword->setEnabled(!signIn.oauth2());
}

void AccountWindow::showSecurityMeaning() {
    m_securityMeaning->setText(meaningOf(static_cast<Security>(m_security->currentData().toInt())));
}

void AccountWindow::useSecurity() {
    const auto chosen = static_cast<Security>(m_security->currentData().toInt());
    const auto apply = [this, chosen] {
        m_parts.connections.setSecurity(m_account, chosen);
        refresh();
    };
    if (chosen != Security::None) {
        apply();
        return;
    }
    m_parts.dialogs.ask(
        {QStringLiteral("Check This Account Without Encryption?"), meaningOf(Security::None), true},
        [apply](bool yes) {
            if (yes)
                apply();
        });
}

void AccountWindow::goUnencrypted() {
    const MailboxAddress account = m_account;
    m_parts.dialogs.ask(
        {QStringLiteral("Check This Account Without Encryption, As Before?"),
         QStringLiteral("The server offers encryption, but this computer does not trust its "
                        "certificate. Trusting the certificate (once its fingerprint is "
                        "confirmed) keeps the password safe; checking without encryption sends "
                        "the password and every message readable by anyone on the way."),
         true},
        [this, account](bool yes) {
            if (!yes || !(account == m_account))
                return;
            m_parts.connections.setSecurity(account, Security::None);
            refresh();
        });
}

void AccountWindow::trust() {
    if (const int row = currentRow(); row != 0)
        m_parts.editor.trustCertificate(row, [this, account = m_account] {
            if (account == m_account)
                refresh();
        });
}

void AccountWindow::forgetTrust() {
    m_parts.dialogs.ask(
        {QStringLiteral("Forget The Certificate You Trusted For This Server And Port?"),
         QStringLiteral("The authorities this computer trusts decide again."), true},
        [this, account = m_account](bool yes) {
            if (!yes || !(account == m_account))
                return;
            m_parts.connections.pinCertificate(account.server, account.port, {});
            refresh();
        });
}

void AccountWindow::changePassword() {
    const int row = currentRow();
    if (row == 0 || !m_changePassword->isEnabled())
        return;
    AccountEntry boxes;
    boxes.password = m_password->text();
    m_parts.editor.changePassword(row, boxes);
    const bool changed = boxes.password.isEmpty();
    m_password->setText(boxes.password);
    if (changed) {
        // No keyring question: the answer is known, and a late one would overwrite it.
        ++m_asked;
        m_signInText->setText(
            QStringLiteral("Password. The new password is kept; the next check uses it."));
    }
}

void AccountWindow::focusFor(Remedy remedy) {
    switch (remedy) {
    case Remedy::TrustCertificate:
    case Remedy::TrustOrGoUnencrypted:
        m_trust->setFocus();
        return;
    case Remedy::UseTls:
    case Remedy::ChooseSecurity:
        m_security->setFocus();
        return;
    case Remedy::SignIn:
        m_signIn->setFocus();
        return;
    case Remedy::ChangePassword:
        if (m_password->isEnabled()) {
            m_password->setFocus();
            return;
        }
        break;
    case Remedy::AskAdministrator:
    case Remedy::CheckAgain:
    case Remedy::MendAccount:
        break;
    }
    m_check->setFocus();
}

QString AccountWindow::failureText() const {
    return m_failureText->text();
}

QString AccountWindow::certificateText() const {
    return m_certificate->text();
}

QString AccountWindow::signInText() const {
    return m_signInText->text();
}

QString AccountWindow::loginDelayText() const {
    return m_loginDelay->text();
}

} // namespace mervantic
