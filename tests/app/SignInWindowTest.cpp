// Accounts of a Microsoft-shaped and a Google-shaped provider (the tests' own authorization
// server in their place) added, signed in and checked through the window: the account page, its
// sign-in window, a real browser at the provider's pages, GNOME Keyring, and a Dovecot server
// that asks the provider about each token.
#include "app/SignInWindow.h"

#include "DovecotServer.h"
#include "EventLoop.h"
#include "KeyringDaemon.h"
#include "OAuthProvider.h"
#include "ProgramFixture.h"
#include "app/AccountPage.h"
#include "app/MainMenus.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>
#include <memory>

namespace mervantic {
namespace {

using test::BrowserUser;
using test::DovecotServer;
using test::KeyringDaemon;
using test::OAuthProvider;

class SignInThroughTheWindow : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (!KeyringDaemon::shared().start())
            GTEST_SKIP() << KeyringDaemon::shared().why().toStdString();
        ASSERT_TRUE(provider.start()) << provider.why().toStdString();
        server = std::make_unique<DovecotServer>(
            DovecotServer::Setup{QStringLiteral("no"), false, false, provider.introspectionUrl(),
                                 QStringLiteral("sub")});
        ASSERT_TRUE(server->start()) << server->why().toStdString();
        record.serverTimeout = 5000LL * 10000;
        network = &realSocket;
        networkClock = &realClock;
        desktop.onOpen = [this](const QUrl& url) {
            browser = std::make_unique<BrowserUser>(browserLogin);
            browser->open(url);
        };
    }

    void startProgram() {
        start();
        program->oauthDirectory().setBuiltIn(QStringLiteral("Microsoft"),
                                             provider.microsoftShaped());
        program->oauthDirectory().setBuiltIn(QStringLiteral("Google"), provider.googleShaped());
    }

    void type(QLineEdit* box, const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
    }
    AccountPage* page() { return window().accountPage(); }

    // Adds the account through the page's boxes and "Add", and selects it.
    void addAccount(const QString& user) {
        window().selectTab(Page::Accounts);
        type(page()->displayNameBox(), user);
        type(page()->usernameBox(), user);
        // The account file keeps a password for every account; an OAuth2 one never sends it.
        type(page()->passwordBox(), QStringLiteral("x"));
        type(page()->serverBox(), QStringLiteral("127.0.0.1"));
        type(page()->portBox(), QString::number(server->port()));
        QTest::mouseClick(page()->addButton(), Qt::LeftButton);
        QTreeView* list = page()->list();
        list->setCurrentIndex(list->model()->index(program->accounts().count() - 1, 0));
    }

    // The selected account's sign-in window opened from the page and filled in.
    SignInWindow& fillIn(const QString& providerName, const OAuthClient& client) {
        QTest::mouseClick(page()->signInButton(), Qt::LeftButton);
        SignInWindow& signInWindow = program->signInWindow();
        EXPECT_TRUE(signInWindow.isVisible());
        signInWindow.kindBox()->setCurrentText(QStringLiteral("OAuth2"));
        signInWindow.providerBox()->setCurrentText(providerName);
        type(signInWindow.clientIdBox(), client.id);
        type(signInWindow.clientSecretBox(), client.secret);
        return signInWindow;
    }

    // The sign-in window filled in and "Sign In" pressed; its last words once the sign-in is
    // over.
    QString signIn(const QString& providerName, const OAuthClient& client, const QString& login) {
        browserLogin = login;
        SignInWindow& signInWindow = fillIn(providerName, client);
        QTest::mouseClick(signInWindow.signInButton(), Qt::LeftButton);
        EXPECT_TRUE(
            test::waitUntil([&] { return signInWindow.signInButton()->isEnabled(); }, 90000));
        if (browser)
            browser->finish();
        return signInWindow.statusText();
    }

    // "Check Mail" clicked; the subjects listed once the check is over.
    QStringList check() {
        QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; },
                                    30000));
        QStringList subjects;
        for (int row = 1; row <= program->mail().count(); ++row)
            subjects << program->mail().at(row).subject();
        return subjects;
    }

    OAuthProvider provider;
    std::unique_ptr<DovecotServer> server;
    ClientSocket realSocket;
    SystemClock realClock;
    QString browserLogin;
    std::unique_ptr<BrowserUser> browser;
};

TEST_F(SignInThroughTheWindow, AMicrosoftAndAGoogleAccountAreSignedInAndCheckedAfterARestart) {
    server->addUser(QStringLiteral("outlook"), QStringLiteral("unused"));
    server->deliver(
        QStringLiteral("outlook"),
        "From: a@example.org\r\nSubject: For Outlook\r\nMessage-ID: <1@o>\r\n\r\n.\r\n");
    server->addUser(QStringLiteral("gmail"), QStringLiteral("unused"));
    server->deliver(QStringLiteral("gmail"),
                    "From: b@example.org\r\nSubject: For Gmail\r\nMessage-ID: <2@g>\r\n\r\n.\r\n");
    startProgram();
    addAccount(QStringLiteral("outlook"));
    EXPECT_EQ(signIn(QStringLiteral("Microsoft"), OAuthProvider::microsoftClient(),
                     QStringLiteral("outlook")),
              QStringLiteral("Signed in. The sign-in is kept in the desktop keyring, and the next "
                             "check uses it."));
    EXPECT_EQ(check(), QStringList{QStringLiteral("For Outlook")});
    // The Google account, saved and not signed in yet: it fails saying so, the other is listed.
    addAccount(QStringLiteral("gmail"));
    QTest::mouseClick(fillIn(QStringLiteral("Google"), OAuthProvider::googleClient()).saveButton(),
                      Qt::LeftButton);
    const QStringList beforeSignIn = check();
    ASSERT_EQ(beforeSignIn.size(), 2);
    EXPECT_EQ(beforeSignIn.first(), QStringLiteral("For Outlook"));
    EXPECT_TRUE(beforeSignIn.last().startsWith(QStringLiteral("Sign-in needed: the account signs "
                                                              "in with Google (OAuth2)")))
        << beforeSignIn.last().toStdString();
    EXPECT_TRUE(
        signIn(QStringLiteral("Google"), OAuthProvider::googleClient(), QStringLiteral("gmail"))
            .startsWith(QStringLiteral("Signed in.")));
    EXPECT_EQ(check(), (QStringList{QStringLiteral("For Outlook"), QStringLiteral("For Gmail")}));

    // No token in the program's files; the settings say only how each account signs in.
    QFile settings(dataFolder() + QStringLiteral("/mervconn.json"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray written = settings.readAll();
    EXPECT_TRUE(written.contains("\"signIn\": \"OAuth2\"")) << written.toStdString();
    EXPECT_TRUE(written.contains("google-shaped"));
    EXPECT_FALSE(written.contains("refresh_token") || written.contains("access_token"));

    // After a restart the access tokens are gone from memory: both are renewed from the
    // keyring, with no browser.
    const int browsersBefore = static_cast<int>(desktop.opened.size());
    program.reset();
    writeAccountFile = false;
    startProgram();
    EXPECT_EQ(check(), (QStringList{QStringLiteral("For Outlook"), QStringLiteral("For Gmail")}));
    EXPECT_EQ(desktop.opened.size(), browsersBefore);
    EXPECT_EQ(provider.grants().value(QStringLiteral("refresh_token")).toInt(), 2);
}

} // namespace
} // namespace mervantic
