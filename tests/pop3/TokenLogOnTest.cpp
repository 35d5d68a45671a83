// Accounts that sign in with OAuth2: the run asks for the access token before it connects, logs
// on with XOAUTH2 or OAUTHBEARER as the provider and the server allow, and fails the account with
// the reason when there is no token, without a connection.
#include "CheckerFixture.h"
#include "ScriptedSocket.h"
#include "pop3/SaslMechanism.h"
#include "pop3/SignInSecrets.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

// Answers every request with the token (or the failure) it was given, later, as a provider does.
class FakeTokens final : public SignInSecrets {
public:
    void requestAccessToken(const MailboxAddress&, Callback callback) override {
        ++requests;
        QTimer::singleShot(0, [this, callback] { callback(answer); });
    }
    void forget(const MailboxAddress&) override { ++forgotten; }
    void requestPassword(const MailboxAddress&, Callback callback) override {
        callback({{}, QStringLiteral("no password here")});
    }

    Answer answer{"tok", {}};
    int requests = 0;
    int forgotten = 0;
};

QByteArray base64(const QByteArray& bytes) {
    return bytes.toBase64();
}

const QByteArray kXoauth2Response = base64("user=alice\x01"
                                           "auth=Bearer tok\x01\x01");
const QByteArray kOauthBearerResponse = base64("n,a=alice,\x01"
                                               "host=pop.example.org\x01"
                                               "port=1101\x01"
                                               "auth=Bearer tok\x01\x01");

Script greeted(const QByteArray& capabilities) {
    Script script;
    script.serve("+OK POP3 ready\r\n").expect("CAPA").serve(capabilities);
    return script;
}

Script& emptyMailbox(Script& script) {
    return script.serve("+OK Logged in.\r\n")
        .expect("STAT")
        .serve("+OK 0 0\r\n")
        .expect("QUIT")
        .serve("+OK\r\n");
}

struct Case {
    const char* name;
    QString provider;
    Script script;
    QString failure;
};

std::vector<Case> cases() {
    const QByteArray both = "+OK\r\nUSER\r\nSASL PLAIN XOAUTH2 OAUTHBEARER\r\n.\r\n";
    std::vector<Case> table;
    {
        // Microsoft takes XOAUTH2 only, whatever else a server lists.
        Script s = greeted(both);
        s.expect("AUTH XOAUTH2").serve("+ \r\n").expect(kXoauth2Response);
        table.push_back({"Microsoft", QStringLiteral("Microsoft"), emptyMailbox(s), {}});
    }
    {
        Script s = greeted(both);
        s.expect("AUTH OAUTHBEARER").serve("+ \r\n").expect(kOauthBearerResponse);
        table.push_back(
            {"Google, OAUTHBEARER offered", QStringLiteral("Google"), emptyMailbox(s), {}});
    }
    {
        // Microsoft's own servers list no mechanism before the log-on.
        Script s = greeted("+OK\r\nUSER\r\n.\r\n");
        s.expect("AUTH XOAUTH2").serve("+ \r\n").expect(kXoauth2Response);
        table.push_back({"nothing listed", QStringLiteral("Google"), emptyMailbox(s), {}});
    }
    {
        // A token the server no longer takes: its JSON error is answered, then the -ERR.
        Script s = greeted("+OK\r\nSASL XOAUTH2\r\n.\r\n");
        s.expect("AUTH XOAUTH2").serve("+ \r\n").expect(kXoauth2Response);
        s.serve("+ " + base64(R"({"status":"401","schemes":"bearer","scope":"x"})") + "\r\n")
            .expect("")
            .serve("-ERR [AUTH] Authentication failed.\r\n");
        table.push_back({"token refused", QStringLiteral("Microsoft"), s,
                         QStringLiteral("The server refused the sign-in (OAuth2): [AUTH] "
                                        "Authentication failed. - ") +
                             oauthRefusal(R"({"status":"401","schemes":"bearer","scope":"x"})") +
                             QStringLiteral(" - the next check asks Microsoft for a new token; if "
                                            "Microsoft will not give one (the sign-in was "
                                            "revoked), sign in again: press Enter on the "
                                            "account's row in the mail list (or choose the "
                                            "account on the Configure Usernames page and press "
                                            "\"Sign-In...\")")});
    }
    return table;
}

TEST(TokenLogOn, TheAccessTokenGoesOutWithTheMechanismTheProviderAndServerAllow) {
    for (Case& c : cases()) {
        SCOPED_TRACE(c.name);
        ScriptedSocket socket;
        CheckerHarness run(socket);
        FakeTokens tokens;
        run.checker.connection().setSecrets(&tokens);
        run.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("unused"),
                       QStringLiteral("pop.example.org"), 1101);
        run.connections.setSignIn(
            {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("1101")},
            {SignIn::Kind::OAuth2, c.provider, QStringLiteral("client"), {}, {}});
        socket.addScript(1101, c.script);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
        EXPECT_EQ(tokens.requests, 1);
        EXPECT_FALSE(socket.sent().contains(QStringLiteral("USER alice")));
        ASSERT_EQ(run.mail.count(), 1);
        if (c.failure.isEmpty()) {
            EXPECT_TRUE(socket.scriptDone());
            EXPECT_TRUE(run.mail.at(1).isNoMail()) << run.mail.at(1).subject().toStdString();
            EXPECT_EQ(tokens.forgotten, 0);
        } else {
            EXPECT_EQ(run.mail.at(1).subject(), c.failure);
            // The next log-on asks the provider for another token.
            EXPECT_EQ(tokens.forgotten, 1);
        }
    }
}

TEST(TokenLogOn, WithoutATokenTheAccountFailsWithTheReasonAndNoConnectionIsMade) {
    ScriptedSocket socket;
    CheckerHarness run(socket);
    FakeTokens tokens;
    tokens.answer = {{}, QStringLiteral("Sign-in needed: withdrawn")};
    run.checker.connection().setSecrets(&tokens);
    run.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("unused"),
                   QStringLiteral("pop.example.org"), 1101);
    run.addAccount(QStringLiteral("Next"), QStringLiteral("bob"), QStringLiteral("secret"),
                   QStringLiteral("pop.example.org"), 1102);
    run.connections.setSignIn(
        {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("1101")},
        {SignIn::Kind::OAuth2, QStringLiteral("Microsoft"), QStringLiteral("client"), {}, {}});
    Script next = greeted("-ERR\r\n");
    next.expect("USER bob").serve("+OK\r\n").expect("PASS secret");
    socket.addScript(1102, emptyMailbox(next));
    ASSERT_TRUE(run.runCheck());
    // Only the password account was connected to; the run went on to it.
    EXPECT_EQ(socket.encryptions().size(), 1u);
    EXPECT_TRUE(socket.scriptDone());
    ASSERT_EQ(run.mail.count(), 2);
    EXPECT_EQ(run.mail.at(1).subject(), QStringLiteral("Sign-in needed: withdrawn"));
    EXPECT_TRUE(run.mail.at(2).isNoMail());
    EXPECT_TRUE(run.view.lines().last().contains(QStringLiteral("1 Account Failed")))
        << run.view.lines().last().toStdString();
}

} // namespace
} // namespace mervantic
