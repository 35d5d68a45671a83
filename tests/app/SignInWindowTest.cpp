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
#include "app/SettingsPage.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"

#include <QAction>
#include <QCheckBox>
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
            browser = std::make_unique<BrowserUser>(browserLogin, browserDoes);
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
        EXPECT_EQ(signInWindow.signInButton()->text(), QStringLiteral("Cancel Sign-In"));
        EXPECT_TRUE(test::waitUntil(
            [&] { return signInWindow.signInButton()->text() == QStringLiteral("Sign In"); },
            90000));
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
    BrowserUser::Does browserDoes = BrowserUser::Does::SignIn;
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

    // A deleted account's sign-in leaves the keyring with it.
    const MailboxAddress outlook{QStringLiteral("outlook"), QStringLiteral("127.0.0.1"),
                                 QString::number(server->port())};
    const QString kept =
        QStringLiteral("oauth2-refresh-token/") + program->connections().secretName(outlook);
    EXPECT_FALSE(KeyringDaemon::shared().lookUp(kept).isEmpty());
    window().selectTab(Page::Accounts);
    page()->list()->setCurrentIndex(page()->list()->model()->index(0, 0));
    dialogs.answers = {true};
    window().menus().deleteSelected->trigger();
    ASSERT_EQ(program->accounts().count(), 1);
    EXPECT_TRUE(
        test::waitUntil([&] { return KeyringDaemon::shared().lookUp(kept).isEmpty(); }, 10000));
}

// The user closes the browser half way and presses "Cancel Sign-In": nothing waits for the
// sign-in's time-out, and a later "Sign In" starts afresh.
TEST_F(SignInThroughTheWindow, ASignInLeftHalfWayIsCancelledFromTheWindow) {
    server->addUser(QStringLiteral("outlook"), QStringLiteral("unused"));
    startProgram();
    addAccount(QStringLiteral("outlook"));
    browserDoes = BrowserUser::Does::CloseTheBrowser;
    SignInWindow& signInWindow =
        fillIn(QStringLiteral("Microsoft"), OAuthProvider::microsoftClient());
    QTest::mouseClick(signInWindow.signInButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return browser != nullptr; }, 10000));
    browser->finish();
    EXPECT_EQ(signInWindow.signInButton()->text(), QStringLiteral("Cancel Sign-In"));
    QTest::mouseClick(signInWindow.signInButton(), Qt::LeftButton);
    EXPECT_EQ(signInWindow.statusText(),
              QStringLiteral("The sign-in did not succeed: the sign-in was cancelled"));
    EXPECT_EQ(signInWindow.signInButton()->text(), QStringLiteral("Sign In"));

    browserDoes = BrowserUser::Does::SignIn;
    EXPECT_EQ(signIn(QStringLiteral("Microsoft"), OAuthProvider::microsoftClient(),
                     QStringLiteral("outlook")),
              QStringLiteral("Signed in. The sign-in is kept in the desktop keyring, and the next "
                             "check uses it."));
}

// "Keep Passwords In The Desktop Keyring" turned on and off: the passwords go to the keyring and
// come back, and the username file is at the end as it was at the start, byte for byte.
TEST_F(SignInThroughTheWindow, PasswordsMoveToTheKeyringAndBackLeavingTheFileAsItWas) {
    for (const auto& [user, password] : {std::pair{"carol", "pw-carol"}, {"dave", "pw-dave"}}) {
        server->addUser(QString::fromLatin1(user), QString::fromLatin1(password));
        server->deliver(QString::fromLatin1(user), "From: c@example.org\r\nSubject: For " +
                                                       QByteArray(user) + "\r\nMessage-ID: <" +
                                                       user + "@x>\r\n\r\n.\r\n");
        accounts.append({QString::fromLatin1(user), QString::fromLatin1(user),
                         QStringLiteral("127.0.0.1"), QString::number(server->port()),
                         AccountKey::make(accounts.count() + 1, QString::fromLatin1(password)),
                         false});
    }
    startProgram();
    const auto fileBytes = [this] {
        QFile file(accountFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = fileBytes();
    ASSERT_FALSE(before.isEmpty());
    QCheckBox* keep = window().settingsPage()->keyringCheck();
    const auto toggle = [&] {
        dialogs.messages.clear();
        keep->click();
        EXPECT_TRUE(test::waitUntil([&] { return keep->isEnabled(); }, 20000));
        return dialogs.messages.join(QLatin1Char('\n'));
    };
    const auto keyringHolds = [this](const char* user) {
        const MailboxAddress account{QString::fromLatin1(user), QStringLiteral("127.0.0.1"),
                                     QString::number(server->port())};
        return KeyringDaemon::shared().lookUp(QStringLiteral("password/") +
                                              program->connections().secretName(account));
    };
    const QStringList both{QStringLiteral("For carol"), QStringLiteral("For dave")};

    // A locked keyring: the setting cannot be turned on, and nothing moves.
    ASSERT_TRUE(KeyringDaemon::shared().lock());
    EXPECT_TRUE(toggle().contains(QStringLiteral("locked")))
        << dialogs.messages.join(u'|').toStdString();
    EXPECT_FALSE(keep->isChecked());
    EXPECT_EQ(fileBytes(), before);
    ASSERT_TRUE(KeyringDaemon::shared().unlock());
    const auto withoutPasswordFields = [](QByteArray bytes) {
        // A record is 454 bytes; its password field is the 64 bytes after the two names.
        for (qsizetype at = 0; at + 454 <= bytes.size(); at += 454)
            bytes.replace(at + 128, 64, QByteArray(64, '*'));
        return bytes;
    };

    EXPECT_EQ(toggle(), QStringLiteral("2 Password(s) Moved To The Desktop Keyring; The Username "
                                       "File Holds None Of Them"));
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(keyringHolds("carol"), QByteArray("pw-carol"));
    EXPECT_EQ(keyringHolds("dave"), QByteArray("pw-dave"));
    AccountList stored;
    ASSERT_EQ(AccountFile(accountFile()).load(stored), AccountFile::LoadResult::Loaded);
    for (int row = 1; row <= stored.count(); ++row)
        EXPECT_EQ(AccountKey::password(stored.at(row).key), PasswordKeyring::standIn());
    EXPECT_EQ(check(), both);

    // The keyring locked between two checks: each account fails with that reason.
    ASSERT_TRUE(KeyringDaemon::shared().lock());
    const QStringList locked = check();
    ASSERT_EQ(locked.size(), 2);
    EXPECT_TRUE(locked.first().startsWith(QStringLiteral(
        "No password: the desktop keyring that keeps the password of this account is locked")))
        << locked.first().toStdString();
    ASSERT_TRUE(KeyringDaemon::shared().unlock());

    // After a restart the setting and the passwords are where they were.
    program.reset();
    writeAccountFile = false;
    startProgram();
    keep = window().settingsPage()->keyringCheck();
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(check(), both);

    EXPECT_EQ(toggle(), QStringLiteral("2 Password(s) Moved Back Into The Username File"));
    EXPECT_FALSE(keep->isChecked());
    // Byte for byte, but for the scrambled password fields, whose filler is drawn afresh at every
    // save of the file: those hold the same passwords as before.
    const QByteArray after = fileBytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(withoutPasswordFields(after), withoutPasswordFields(before));
    AccountList restored;
    ASSERT_EQ(AccountFile(accountFile()).load(restored), AccountFile::LoadResult::Loaded);
    ASSERT_EQ(restored.count(), accounts.count());
    for (int row = 1; row <= restored.count(); ++row)
        EXPECT_EQ(restored.at(row).key, accounts.at(row).key);
    EXPECT_EQ(keyringHolds("carol"), QByteArray());
    EXPECT_EQ(check(), both);

    // Back in the keyring, then no Secret Service at all: the accounts fail saying so. (Last:
    // the Secret Service client of this process does not find a service started again.)
    EXPECT_EQ(toggle(), QStringLiteral("2 Password(s) Moved To The Desktop Keyring; The Username "
                                       "File Holds None Of Them"));
    KeyringDaemon::shared().stop();
    const QStringList gone = check();
    ASSERT_EQ(gone.size(), 2);
    EXPECT_TRUE(gone.first().startsWith(
        QStringLiteral("No password: the desktop keyring that keeps the password of this account "
                       "is not there (no Secret Service on this desktop)")))
        << gone.first().toStdString();
    // Nor can the setting be turned off then: the passwords stay where they are.
    EXPECT_FALSE(toggle().isEmpty());
    EXPECT_TRUE(keep->isChecked());
}

} // namespace
} // namespace mervantic
