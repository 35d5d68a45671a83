#include "app/AccountMending.h"

#include "app/AccountEditor.h"
#include "app/Dialogs.h"
#include "app/MainMenus.h"
#include "app/MainWindow.h"
#include "mail/MailList.h"
#include "pop3/MailChecker.h"
#include "store/AccountListModel.h"
#include "store/VisibleText.h"

#include <QAction>
#include <QMenu>

namespace mervantic {

AccountMending::AccountMending(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_accountWindow(std::make_unique<AccountWindow>(m_parts.accountWindow)) {
    connect(&m_parts.window, &MainWindow::mailRowActivated, this, &AccountMending::mendRow);
    connect(&m_parts.window, &MainWindow::failedRowMenuWanted, this, &AccountMending::popUpMenu);
    connect(&m_parts.window, &MainWindow::accountWindowWanted, this,
            &AccountMending::openForAccount);
    connect(m_parts.menus.mend, &QAction::triggered, this, [this] { mendRow(m_menuRow); });
    connect(m_parts.menus.accountSettings, &QAction::triggered, this,
            [this] { openForMailRow(m_menuRow); });
    connect(m_parts.menus.checkAgain, &QAction::triggered, &m_parts.checker,
            &MailChecker::checkMailButton);
    connect(m_accountWindow.get(), &AccountWindow::signInWanted, this,
            [this](int row) { m_parts.openSignIn(row); });
    connect(m_accountWindow.get(), &AccountWindow::checkWanted, &m_parts.checker,
            &MailChecker::checkMailButton);
    // The window open during a check shows what the check found of its account.
    connect(&m_parts.checker.runs(), &RunTracker::ended, this, [this] {
        if (m_accountWindow->isVisible())
            m_accountWindow->setLastFailure(failureOf(m_accountWindow->account()));
    });
}

AccountMending::~AccountMending() = default;

QString AccountMending::mendText(Remedy remedy) {
    switch (remedy) {
    case Remedy::CheckAgain:
        break;
    case Remedy::TrustCertificate:
        return QStringLiteral("&Review The Certificate...");
    case Remedy::TrustOrGoUnencrypted:
        return QStringLiteral("&Trust The Certificate Or Check Unencrypted...");
    case Remedy::AskAdministrator:
        return QStringLiteral("&Show The Certificate...");
    case Remedy::UseTls:
        return QStringLiteral("Use &TLS From The Start...");
    case Remedy::ChooseSecurity:
        return QStringLiteral("Choose The &Security...");
    case Remedy::SignIn:
        return QStringLiteral("Sign &In Again...");
    case Remedy::ChangePassword:
        return QStringLiteral("Enter The &Password Again...");
    case Remedy::MendAccount:
        return QStringLiteral("&Mend The Account...");
    }
    return QStringLiteral("&Check Mail Again");
}

int AccountMending::accountRowOf(int mailRow) const {
    if (mailRow < 1 || mailRow > m_parts.mail.count())
        return 0;
    const MailItem& item = m_parts.mail.at(mailRow);
    const AccountList& accounts = m_parts.accountWindow.accounts.list();
    for (int row = 1; row <= accounts.count(); ++row) {
        const AccountRow& account = accounts.at(row);
        if (account.username == item.username() && account.server == item.server() &&
            account.port == item.port())
            return row;
    }
    return 0;
}

void AccountMending::mendRow(int mailRow) {
    const int accountRow = accountRowOf(mailRow);
    if (accountRow == 0 || !m_parts.mail.at(mailRow).isFailure())
        return;
    const MailItem& item = m_parts.mail.at(mailRow);
    switch (item.remedy) {
    case Remedy::CheckAgain:
        m_parts.checker.checkMailButton();
        return;
    case Remedy::TrustCertificate: {
        // The certificate's question, and the check that shows the mail once it is trusted.
        const AccountRow& account = m_parts.accountWindow.accounts.list().at(accountRow);
        m_parts.accountWindow.editor.trustCertificate(
            accountRow, [this, server = account.server, port = account.port] {
                if (!m_parts.connections.pinnedCertificate(server, port).isEmpty() &&
                    m_parts.connections.offeredCertificate(server, port).isEmpty())
                    m_parts.checker.checkMailButton();
            });
        return;
    }
    case Remedy::UseTls:
        offerTls(accountRow, mailRow);
        return;
    case Remedy::SignIn:
        m_parts.openSignIn(accountRow);
        return;
    case Remedy::TrustOrGoUnencrypted:
    case Remedy::AskAdministrator:
    case Remedy::ChooseSecurity:
    case Remedy::ChangePassword:
    case Remedy::MendAccount:
        break;
    }
    openForMailRow(mailRow);
}

void AccountMending::offerTls(int accountRow, int mailRow) {
    const AccountRow& account = m_parts.accountWindow.accounts.list().at(accountRow);
    const MailboxAddress address{account.username, account.server, account.port};
    m_parts.dialogs.ask(
        {QStringLiteral("Check %1 With TLS From The Start?").arg(visibleText(account.displayName)),
         QStringLiteral("%1 sent nothing at all on port %2: a server that expects TLS from the "
                        "first byte (POP3S) waits for it in silence. With TLS its certificate is "
                        "checked before anything is sent.\n\n%3")
             .arg(visibleText(account.server), visibleText(account.port),
                  visibleLines(m_parts.mail.at(mailRow).subject())),
         false},
        [this, address](bool yes) {
            if (!yes)
                return;
            m_parts.connections.setSecurity(address, Security::Tls);
            m_parts.checker.checkMailButton();
        });
}

void AccountMending::openForMailRow(int mailRow) {
    const int accountRow = accountRowOf(mailRow);
    if (accountRow == 0)
        return;
    const MailItem& item = m_parts.mail.at(mailRow);
    std::optional<AccountWindow::LastFailure> failure;
    if (item.isFailure())
        failure = AccountWindow::LastFailure{item.subject(), item.remedy};
    m_accountWindow->showFor(accountRow, failure);
}

std::optional<AccountWindow::LastFailure>
AccountMending::failureOf(const MailboxAddress& account) const {
    for (int row = 1; row <= m_parts.mail.count(); ++row) {
        const MailItem& item = m_parts.mail.at(row);
        if (item.isFailure() && item.username() == account.username &&
            item.server() == account.server && item.port() == account.port)
            return AccountWindow::LastFailure{item.subject(), item.remedy};
    }
    return std::nullopt;
}

void AccountMending::openForAccount(int accountRow) {
    if (accountRow < 1 || accountRow > m_parts.accountWindow.accounts.list().count())
        return;
    const AccountRow& account = m_parts.accountWindow.accounts.list().at(accountRow);
    m_accountWindow->showFor(accountRow,
                             failureOf({account.username, account.server, account.port}));
}

void AccountMending::popUpMenu(int mailRow, const QPoint& at) {
    if (mailRow < 1 || mailRow > m_parts.mail.count())
        return;
    m_menuRow = mailRow;
    m_parts.menus.mend->setText(mendText(m_parts.mail.at(mailRow).remedy));
    m_parts.menus.failedRow->popup(at);
}

} // namespace mervantic
