// A failed account's row leads to its fix: through the real program at the window's opening
// size, by keyboard, against a real Dovecot whose certificate signs itself. Each story ends
// with the next check listing the mail.
#include "DovecotServer.h"
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/AccountMending.h"
#include "app/AccountWindow.h"
#include "app/MainMenus.h"
#include "app/SignInWindow.h"
#include "app/StatusBar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::DovecotServer;

class FailedRow : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        useRealNetwork();
        ASSERT_TRUE(server.start()) << server.why().toStdString();
        server.addUser(QStringLiteral("home"), QStringLiteral("pw"));
        server.deliver(QStringLiteral("home"),
                       "From: a@example.org\r\nSubject: Mended\r\nMessage-ID: <1@t>\r\n\r\n.\r\n");
    }

    void addHome(int port, const QString& password = QStringLiteral("pw")) {
        accounts.append({QStringLiteral("Home"), QStringLiteral("home"),
                         QStringLiteral("localhost"), QString::number(port),
                         AccountKey::make(1, password), false});
    }
    MailboxAddress home(int port) const {
        return {QStringLiteral("home"), QStringLiteral("localhost"), QString::number(port)};
    }
    enum class Server { Answers, Silent };
    // Runs whatever check is under way (or starts one) to its end. For a server that never
    // answers, the time-out's clock runs on, so that it is given up on at once; for one that
    // answers it does not, however slowly the machine lets the answer come.
    bool checkToTheEnd(bool start = true, Server answering = Server::Answers) {
        if (start)
            program->checker().checkMailButton();
        return test::waitUntil(
            [this, answering] {
                if (answering == Server::Silent)
                    clock.advance(1000);
                return program->checker().phase() == RunPhase::Idle;
            },
            30000);
    }
    QTreeView* mailView() { return find<QTreeView>("ListView1"); }
    // Enter on the mail list's first row, as the user does.
    void enterOnFirstRow() {
        window().selectTab(Page::Mail);
        QTreeView* view = mailView();
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Return);
    }
    const MailItem& first() { return program->mail().at(1); }
    // What the failed row shows: what to do (From), then why (Subject).
    QString shownReason() {
        const QAbstractItemModel* model = mailView()->model();
        return model->index(0, MailListModel::From).data().toString() + QStringLiteral(": ") +
               model->index(0, MailListModel::Subject).data().toString();
    }
    AccountWindow& accountWindow() { return program->mending().accountWindow(); }
    // The next check, started from where the user is, lists the mail.
    void expectMended() {
        ASSERT_TRUE(checkToTheEnd(program->checker().phase() == RunPhase::Idle));
        ASSERT_EQ(program->mail().count(), 1);
        EXPECT_EQ(first().subject(), QStringLiteral("Mended"));
    }

    DovecotServer server{DovecotServer::Setup{QStringLiteral("yes"), false, true}};
};

// A port that wants TLS from the first byte sends nothing to a plain connection: the row offers
// TLS; then the certificate, which signs itself, is reviewed and trusted from the row.
TEST_F(FailedRow, ASilentTlsPortOffersTlsThenTheCertificateIsTrustedFromTheRow) {
    addHome(server.tlsPort());
    start();
    window().resize(MainWindow::kMinimumSize);
    program->checker().connection().setTimeoutTickInterval(10);
    ASSERT_TRUE(checkToTheEnd(true, Server::Silent));
    ASSERT_TRUE(first().isFailure());
    EXPECT_EQ(first().remedy, Remedy::UseTls);
    EXPECT_TRUE(shownReason().startsWith(QStringLiteral(
        "Try TLS from the start (press Enter): No answer from the server within 5 seconds: it "
        "sent no greeting at all")))
        << shownReason().toStdString();
    EXPECT_TRUE(window().statusBar()->text().endsWith(QStringLiteral("1 Account Failed: Home")));

    enterOnFirstRow();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions.last(), QStringLiteral("Check Home With TLS From The Start?"));
    EXPECT_FALSE(dialogs.noByDefault.last());
    EXPECT_EQ(program->connections().security(home(server.tlsPort())), Security::Tls);
    ASSERT_TRUE(checkToTheEnd(false)); // Yes starts the check at once
    ASSERT_TRUE(first().isFailure());
    EXPECT_EQ(first().remedy, Remedy::TrustCertificate);
    EXPECT_TRUE(shownReason().startsWith(QStringLiteral("Review the certificate (press Enter): ")));

    enterOnFirstRow();
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(
        dialogs.questions.last(),
        QStringLiteral("Trust This Certificate For localhost Port %1?").arg(server.tlsPort()));
    expectMended();
}

// An account checked before encryption was used where offered meets STARTTLS with a
// certificate this computer does not trust: its window offers both ways out, and the
// unencrypted one is warned against, No by default.
TEST_F(FailedRow, AnAccountOfOldOffersTrustOrNoEncryptionInItsWindow) {
    addHome(server.port());
    start();
    window().resize(MainWindow::kMinimumSize);
    ASSERT_TRUE(checkToTheEnd());
    ASSERT_TRUE(first().isFailure());
    EXPECT_EQ(first().remedy, Remedy::TrustOrGoUnencrypted);

    enterOnFirstRow();
    AccountWindow& opened = accountWindow();
    ASSERT_TRUE(opened.isVisible());
    EXPECT_EQ(opened.account(), home(server.port()));
    EXPECT_TRUE(opened.failureText().startsWith(
        QStringLiteral("Trust the certificate or check unencrypted: Secure connection failed: "
                       "the certificate is not signed")))
        << opened.failureText().toStdString();
    EXPECT_TRUE(opened.certificateText().contains(QStringLiteral("Subject: CN=localhost")));
    EXPECT_TRUE(opened.trustButton()->isEnabled());
    EXPECT_TRUE(opened.unencryptedButton()->isVisible());
    EXPECT_TRUE(opened.focusWidget() == opened.trustButton());

    // No to the warning changes nothing; Yes checks as before.
    dialogs.answers = {false};
    QTest::mouseClick(opened.unencryptedButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogs.noByDefault.last());
    EXPECT_EQ(program->connections().security(home(server.port())), Security::StartTlsWhenOffered);
    QTest::mouseClick(opened.unencryptedButton(), Qt::LeftButton);
    EXPECT_EQ(program->connections().security(home(server.port())), Security::None);
    EXPECT_FALSE(opened.unencryptedButton()->isVisible());
    QTest::mouseClick(opened.checkButton(), Qt::LeftButton);
    expectMended();
}

// A refused password: Enter opens the account's window at its password box; the password typed
// there is the account's, and the next check reads the mail.
TEST_F(FailedRow, ARefusedPasswordIsEnteredAgainInTheAccountsWindow) {
    addHome(server.tlsPort(), QStringLiteral("wrong"));
    start();
    window().resize(MainWindow::kMinimumSize);
    program->connections().setSecurity(home(server.tlsPort()), Security::Tls);
    program->connections().pinCertificate(
        QStringLiteral("localhost"), QString::number(server.tlsPort()), server.servedCertificate());
    ASSERT_TRUE(checkToTheEnd());
    ASSERT_TRUE(first().isFailure());
    EXPECT_EQ(first().remedy, Remedy::ChangePassword);

    enterOnFirstRow();
    AccountWindow& opened = accountWindow();
    ASSERT_TRUE(opened.isVisible());
    EXPECT_TRUE(opened.focusWidget() == opened.passwordBox());
    EXPECT_TRUE(opened.certificateText().contains(QStringLiteral("Trusted by you")));
    EXPECT_TRUE(opened.forgetButton()->isEnabled());
    EXPECT_TRUE(test::waitUntil([&] {
        return opened.signInText().contains(QStringLiteral("the account file"));
    })) << opened.signInText().toStdString();
    QTest::keyClicks(opened.passwordBox(), QStringLiteral("pw"));
    QTest::keyClick(opened.passwordBox(), Qt::Key_Return);
    EXPECT_EQ(AccountKey::password(program->accounts().at(1).key), QStringLiteral("pw"));
    EXPECT_TRUE(opened.signInText().contains(QStringLiteral("The new password is kept")));
    expectMended();
    // The window, still open, shows what the check found.
    EXPECT_TRUE(opened.failureText().startsWith(QStringLiteral("No failure")))
        << opened.failureText().toStdString();
}

// What each remedy does on Enter, where it needs no server: the row's menu names it, and the
// window or question it opens is the one that fits.
TEST_F(FailedRow, EachRemedyIsWhatEnterAndTheRowsMenuDo) {
    addHome(server.tlsPort());
    start();
    struct Case {
        Remedy remedy;
        const char* menuText;
        // What Enter shows: a question, the account window, the sign-in window, or a check.
        enum { Question, AccountWindow, SignInWindow, Check } opens;
    };
    const Case cases[] = {
        {Remedy::CheckAgain, "&Check Mail Again", Case::Check},
        {Remedy::UseTls, "Use &TLS From The Start...", Case::Question},
        {Remedy::ChooseSecurity, "Choose The &Security...", Case::AccountWindow},
        {Remedy::AskAdministrator, "&Show The Certificate...", Case::AccountWindow},
        {Remedy::MendAccount, "&Mend The Account...", Case::AccountWindow},
        {Remedy::SignIn, "Sign &In Again...", Case::SignInWindow},
    };
    dialogs.holdAnswers = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.remedy));
        program->mail().takeSnapshotAndClear();
        program->mail().addFailureRow(
            QStringLiteral("Home"), QStringLiteral("home"), QStringLiteral("localhost"),
            QString::number(server.tlsPort()), QStringLiteral("It failed"), c.remedy);
        ASSERT_TRUE(test::waitUntil([this] { return mailView()->model()->rowCount() == 1; }));
        accountWindow().close();
        program->signInWindow().close();
        const qsizetype asked = dialogs.questions.size();

        // The row's menu, opened from the keyboard, names what Enter does.
        window().selectTab(Page::Mail);
        mailView()->setFocus();
        mailView()->setCurrentIndex(mailView()->model()->index(0, 0));
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(mailView()->viewport(), &menuKey);
        QMenu* menu = window().menus().failedRow;
        ASSERT_TRUE(menu->isVisible());
        EXPECT_EQ(menu->defaultAction()->text(), QString::fromLatin1(c.menuText));
        menu->close();

        enterOnFirstRow();
        EXPECT_EQ(dialogs.questions.size() > asked, c.opens == Case::Question);
        EXPECT_EQ(accountWindow().isVisible(), c.opens == Case::AccountWindow);
        EXPECT_EQ(program->signInWindow().isVisible(), c.opens == Case::SignInWindow);
        EXPECT_EQ(program->checker().phase() != RunPhase::Idle, c.opens == Case::Check);
        if (c.opens == Case::Question)
            dialogs.answerPending(false);
        if (c.opens == Case::Check) {
            program->checker().cancel();
            ASSERT_TRUE(checkToTheEnd(false));
        }
    }
}

// The account list opens the same window by Enter, and its menu names it.
TEST_F(FailedRow, TheAccountListOpensTheAccountsWindowByEnter) {
    addHome(server.port());
    start();
    window().resize(MainWindow::kMinimumSize);
    window().selectTab(Page::Accounts);
    QTreeView* list = find<QTreeView>("ListView2");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(accountWindow().isVisible());
    EXPECT_EQ(accountWindow().account(), home(server.port()));
    EXPECT_TRUE(accountWindow().failureText().startsWith(QStringLiteral("No failure")));
    EXPECT_TRUE(accountWindow().loginDelayText().contains(QStringLiteral("LOGIN-DELAY")));
    EXPECT_FALSE(accountWindow().trustButton()->isEnabled());
    EXPECT_FALSE(accountWindow().forgetButton()->isEnabled());
    // Its security is chosen there, with what the choice means.
    QComboBox* security = accountWindow().securityBox();
    security->setCurrentIndex(security->findData(static_cast<int>(Security::StartTls)));
    QTest::mouseClick(accountWindow().useSecurityButton(), Qt::LeftButton);
    EXPECT_EQ(program->connections().security(home(server.port())), Security::StartTls);
    EXPECT_TRUE(program->connections().securityChosen(home(server.port())));
    // And whether the timed checks leave it out.
    EXPECT_FALSE(accountWindow().handChecksOnlyBox()->isChecked());
    accountWindow().handChecksOnlyBox()->click();
    EXPECT_TRUE(program->connections().handChecksOnly(home(server.port())));
    // Its sign-in, changed in the Sign-In window it opens, shows there at once.
    EXPECT_TRUE(accountWindow().signInText().startsWith(QStringLiteral("Password.")));
    QTest::mouseClick(accountWindow().signInButton(), Qt::LeftButton);
    SignInWindow& signIn = program->signInWindow();
    ASSERT_TRUE(signIn.isVisible());
    signIn.kindBox()->setCurrentText(QStringLiteral("OAuth2"));
    signIn.clientIdBox()->setText(QStringLiteral("app-id"));
    QTest::mouseClick(signIn.saveButton(), Qt::LeftButton);
    EXPECT_TRUE(accountWindow().signInText().startsWith(
        QStringLiteral("OAuth2 with Microsoft, application app-id.")))
        << accountWindow().signInText().toStdString();
    EXPECT_FALSE(accountWindow().passwordBox()->isEnabled());
    signIn.close();
    accountWindow().close();
    EXPECT_TRUE(
        window().menus().account->findChild<QAction*>(QStringLiteral("mnuAccountSettings")));
}

} // namespace
} // namespace mervantic
