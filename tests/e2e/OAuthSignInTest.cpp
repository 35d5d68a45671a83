// Accounts that sign in with OAuth2, end to end against real components on loopback: the tests'
// authorization server (oidc-provider) standing for Microsoft and Google, a real browser
// (chromium) signing in through its pages, GNOME Keyring keeping the refresh tokens, and a
// Dovecot server that asks the provider about every token it is given.
#include "platform/OAuthSignIn.h"

#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "KeyringDaemon.h"
#include "OAuthProvider.h"
#include "platform/ClientSocket.h"
#include "platform/DesktopKeyring.h"
#include "platform/OAuthLoopback.h"
#include "platform/OAuthRefresh.h"
#include "pop3/KeptSecrets.h"

#include <QNetworkAccessManager>
#include <QTcpSocket>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::BrowserUser;
using test::CheckerHarness;
using test::DovecotServer;
using test::KeyringDaemon;
using test::OAuthProvider;

const QByteArray kMessage = "From: Sender <sender@example.org>\r\n"
                            "Subject: =?UTF-8?B?R3LDvMOfZQ==?=\r\n"
                            "Message-ID: <oauth-1@example.org>\r\n"
                            "Date: Thu, 10 Dec 2026 09:00:00 +0000\r\n\r\nBody\r\n";

// The provider, its POP3 server and the keyring, started once for the cases below.
class OAuthSignIn : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_provider = new OAuthProvider();
        if (!s_provider->start())
            return;
        DovecotServer::Setup setup{QStringLiteral("no"), false, false,
                                   s_provider->introspectionUrl(), QStringLiteral("sub")};
        s_server = new DovecotServer(setup);
        if (!s_server->start())
            return;
        for (const QString& user : {QStringLiteral("alice"), QStringLiteral("bob")}) {
            s_server->addUser(user, QStringLiteral("not-used"));
            s_server->deliver(user, kMessage);
        }
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_provider;
    }

    void SetUp() override {
        if (!s_provider->issuer().isEmpty() && s_server != nullptr && s_server->isRunning() &&
            !KeyringDaemon::shared().start())
            GTEST_SKIP() << KeyringDaemon::shared().why().toStdString();
        ASSERT_FALSE(s_provider->issuer().isEmpty()) << s_provider->why().toStdString();
        ASSERT_TRUE(s_server != nullptr && s_server->isRunning());
        directory.setBuiltIn(QStringLiteral("Microsoft"), s_provider->microsoftShaped());
        directory.setBuiltIn(QStringLiteral("Google"), s_provider->googleShaped());
        harness.checker.connection().setSecrets(&tokens);
        keyring.setTimeoutMs(10000);
    }

    MailboxAddress addAccount(const QString& user, const QString& provider,
                              const OAuthClient& client) {
        const int port = s_server->port();
        harness.addAccount(user, user, QStringLiteral("not-used"), QStringLiteral("127.0.0.1"),
                           port);
        const MailboxAddress address{user, QStringLiteral("127.0.0.1"), QString::number(port)};
        harness.connections.setSignIn(
            address, {SignIn::Kind::OAuth2, provider, client.id, client.secret, {}});
        return address;
    }

    // Signs in at the provider through the browser as `login`; what went wrong, if anything.
    QString signIn(const MailboxAddress& account, const QString& login,
                   BrowserUser::Does does = BrowserUser::Does::SignIn, int timeoutMs = 60000) {
        const SignIn settings = harness.connections.signIn(account);
        std::optional<OAuthEndpoints> endpoints;
        QString notFound = QStringLiteral("no answer");
        directory.find(settings.provider,
                       [&](const std::optional<OAuthEndpoints>& found, const QString& why) {
                           endpoints = found;
                           notFound = why;
                       });
        test::waitUntil([&] { return endpoints.has_value() || notFound != "no answer"; }, 10000);
        if (!endpoints)
            return notFound;
        QString badScope;
        endpoints = endpoints->withExtraScope(settings.extraScope, &badScope);
        if (!endpoints)
            return badScope;
        mervantic::OAuthSignIn flow(*endpoints, {settings.clientId, settings.clientSecret},
                                    account.username, network);
        flow.setTimeoutMs(timeoutMs);
        std::optional<QString> failure;
        OAuthGrant grant;
        QObject::connect(&flow, &mervantic::OAuthSignIn::finished,
                         [&](const OAuthGrant& given, const QString& why) {
                             grant = given;
                             failure = why;
                         });
        BrowserUser browser(login, does);
        QString why;
        if (!flow.start(
                [&](const QUrl& url) {
                    lastSignInAddress = url;
                    browser.open(url);
                },
                &why))
            return why;
        test::waitUntil([&] { return failure.has_value(); }, timeoutMs + 30000);
        lastBrowserPage = browser.finish();
        if (!failure)
            return QStringLiteral("the sign-in never ended");
        if (!failure->isEmpty())
            return *failure;
        std::optional<QString> kept;
        tokens.keep(account, grant, [&](const QString& problem) { kept = problem; });
        test::waitUntil([&] { return kept.has_value(); }, 15000);
        return kept.value_or(QStringLiteral("the keyring never answered"));
    }

    QString failureRow() const {
        for (const MailItem& item : harness.mail.rows()) {
            if (item.isFailure())
                return item.field(MailItem::Field::Subject).toString();
        }
        return {};
    }

    // An hour on: every access token given so far has expired.
    void anHourLater() { harness.clock.setNow(harness.clock.now().addSecs(3600)); }

    static inline OAuthProvider* s_provider = nullptr;
    static inline DovecotServer* s_server = nullptr;

    ClientSocket socket;
    CheckerHarness harness{socket};
    QNetworkAccessManager network;
    OAuthDirectory directory{network};
    OAuthRefresh refresh{network};
    DesktopKeyring keyring;
    KeptSecrets tokens{{harness.connections, directory, refresh, keyring, harness.clock}};
    QUrl lastSignInAddress;
    QString lastBrowserPage;
};

TEST_F(OAuthSignIn, AMicrosoftShapedAccountSignsInOnceAndIsRenewedWithoutTheBrowser) {
    const MailboxAddress alice = addAccount(QStringLiteral("alice"), QStringLiteral("Microsoft"),
                                            OAuthProvider::microsoftClient());
    // Before any sign-in the account fails with what to do, and the run goes on.
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(failureRow().startsWith(QStringLiteral("Sign-in needed: the account signs in "
                                                       "with Microsoft (OAuth2) and has not "
                                                       "signed in on this computer")))
        << failureRow().toStdString();

    ASSERT_EQ(signIn(alice, QStringLiteral("alice")), QString());
    EXPECT_TRUE(lastBrowserPage.contains(mervantic::OAuthLoopback::acceptedPage()))
        << lastBrowserPage.toStdString();
    // The refresh token is in the keyring and in no file of the program's, named for its
    // account in the keyring's own window.
    EXPECT_FALSE(harness.connections.toBytes().contains("refresh"));
    const QString item =
        QStringLiteral("oauth2-refresh-token/") + harness.connections.existingSecretName(alice);
    const QString label = QStringLiteral("Mervantic: OAuth2 sign-in of %1 at %2, port %3")
                              .arg(alice.username, alice.server, alice.port);
    EXPECT_TRUE(test::waitUntil([&] { return KeyringDaemon::shared().labelOf(item) == label; }))
        << KeyringDaemon::shared().labelOf(item).toStdString();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
    EXPECT_EQ(harness.rowTexts(static_cast<int>(MailItem::Field::Subject)),
              QStringList{QStringLiteral("Grüße")});
    EXPECT_EQ(s_provider->grants().value(QStringLiteral("refresh_token")).toInt(), 0);
    // Microsoft takes XOAUTH2 only, though this server offers OAUTHBEARER too.
    EXPECT_TRUE(s_server->logText().contains(QStringLiteral("user=<alice>, method=XOAUTH2")))
        << s_server->logText().right(600).toStdString();

    // The access token has expired by the next check: renewed with the refresh token.
    anHourLater();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
    EXPECT_EQ(harness.mail.rows().size(), 1u);
    EXPECT_EQ(s_provider->grants().value(QStringLiteral("refresh_token")).toInt(), 1);

    // Withdrawn at the provider (a password change): the account fails, saying what mends it.
    EXPECT_GT(s_provider->revokeEverything(QStringLiteral("alice")), 0);
    anHourLater();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(failureRow().startsWith(
        QStringLiteral("Sign-in needed: Microsoft refused to renew the sign-in (invalid_grant")))
        << failureRow().toStdString();
    EXPECT_TRUE(failureRow().endsWith(QStringLiteral("press \"Sign-In...\"")));
    EXPECT_EQ(harness.mail.at(1).remedy, Remedy::SignIn);

    // A new sign-in mends it.
    ASSERT_EQ(signIn(alice, QStringLiteral("alice")), QString());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
    EXPECT_EQ(harness.mail.rows().size(), 1u);
}

TEST_F(OAuthSignIn, AGoogleShapedAccountSignsInWithItsClientSecret) {
    const MailboxAddress bob =
        addAccount(QStringLiteral("bob"), QStringLiteral("Google"), OAuthProvider::googleClient());
    ASSERT_EQ(signIn(bob, QStringLiteral("bob")), QString());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
    EXPECT_EQ(harness.mail.rows().size(), 1u);
    EXPECT_TRUE(s_server->logText().contains(QStringLiteral("user=<bob>, method=OAUTHBEARER")))
        << s_server->logText().right(600).toStdString();
    anHourLater();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
}

// A provider other than the two built in is found by its address (OpenID Connect discovery).
TEST_F(OAuthSignIn, AnotherProviderIsFoundByItsIssuerAddress) {
    const MailboxAddress bob =
        addAccount(QStringLiteral("bob"), s_provider->issuer(), OAuthProvider::microsoftClient());
    // A scope of the provider's own is asked for beside the usual ones; one that no scope may
    // be is refused before the browser opens.
    SignIn withScope = harness.connections.signIn(bob);
    withScope.extraScope = QStringLiteral("mail\"box");
    harness.connections.setSignIn(bob, withScope);
    EXPECT_TRUE(signIn(bob, QStringLiteral("bob")).contains(QStringLiteral("no scope may hold")));
    withScope.extraScope = QStringLiteral("pop3.read");
    harness.connections.setSignIn(bob, withScope);
    ASSERT_EQ(signIn(bob, QStringLiteral("bob")), QString());
    // A refresh token is asked for as OpenID Connect wants it: offline_access with consent.
    const QUrlQuery asked(lastSignInAddress);
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("scope"), QUrl::FullyDecoded),
              QStringLiteral("openid offline_access pop3.read"));
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("prompt")), QStringLiteral("consent"));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
    EXPECT_EQ(harness.mail.rows().size(), 1u);
    anHourLater();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
}

TEST_F(OAuthSignIn, TheTokenOfAnotherUserIsRefusedByTheServerInItsOwnWords) {
    const MailboxAddress alice = addAccount(QStringLiteral("alice"), QStringLiteral("Microsoft"),
                                            OAuthProvider::microsoftClient());
    ASSERT_EQ(signIn(alice, QStringLiteral("bob")), QString());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(failureRow().startsWith(QStringLiteral("The server refused the sign-in (OAuth2)")))
        << failureRow().toStdString();
}

TEST_F(OAuthSignIn, ABrowserClosedHalfWayEndsTheSignInAtItsTimeOutAndFreesThePort) {
    const MailboxAddress alice = addAccount(QStringLiteral("alice"), QStringLiteral("Microsoft"),
                                            OAuthProvider::microsoftClient());
    const QString why =
        signIn(alice, QStringLiteral("alice"), BrowserUser::Does::CloseTheBrowser, 3000);
    EXPECT_TRUE(why.startsWith(QStringLiteral("the sign-in did not end within")))
        << why.toStdString();
    // The page the provider would have sent the browser back to is gone.
    const QUrl loopback(QUrlQuery(lastSignInAddress)
                            .queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
    ASSERT_EQ(loopback.host(), QStringLiteral("127.0.0.1"));
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(loopback.port()));
    EXPECT_FALSE(late.waitForConnected(3000));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(failureRow().startsWith(QStringLiteral("Sign-in needed:")));
}

TEST_F(OAuthSignIn, ALockedKeyringFailsTheAccountWithThatReasonAndLosesNothing) {
    const MailboxAddress alice = addAccount(QStringLiteral("alice"), QStringLiteral("Microsoft"),
                                            OAuthProvider::microsoftClient());
    ASSERT_EQ(signIn(alice, QStringLiteral("alice")), QString());
    ASSERT_TRUE(KeyringDaemon::shared().lock()) << KeyringDaemon::shared().why().toStdString();
    anHourLater();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(failureRow().startsWith(QStringLiteral("No sign-in: the desktop keyring that "
                                                       "keeps the sign-in of this account is "
                                                       "locked")))
        << failureRow().toStdString();
    // Unlocked again, the sign-in kept there is used.
    ASSERT_TRUE(KeyringDaemon::shared().unlock()) << KeyringDaemon::shared().why().toStdString();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(failureRow(), QString());
}

} // namespace
} // namespace mervantic
