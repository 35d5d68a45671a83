// CAPA, STLS and SASL before the log-on: no password leaves before the connection is as secure as
// the account's security asks, a server that stops offering STARTTLS is not trusted with one, and
// a server that takes SASL and not USER is logged on with AUTH PLAIN.
#include "CheckerFixture.h"
#include "ScriptedSocket.h"
#include "pop3/SaslMechanism.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

const QByteArray kGreeting = "+OK POP3 ready\r\n";
const QByteArray kWithStls = "+OK\r\nTOP\r\nUSER\r\nSTLS\r\nSASL PLAIN\r\n.\r\n";
const QByteArray kWithoutStls = "+OK\r\nTOP\r\nUSER\r\nSASL PLAIN\r\n.\r\n";
const QByteArray kAfterTls = "+OK\r\nTOP\r\nUSER\r\nSASL PLAIN LOGIN\r\n.\r\n";

// USER, PASS, an empty mailbox and QUIT.
Script& logOnToEmptyMailbox(Script& script) {
    return script.expect("USER alice")
        .serve("+OK\r\n")
        .expect("PASS secret")
        .serve("+OK Logged in.\r\n")
        .expect("STAT")
        .serve("+OK 0 0\r\n")
        .expect("QUIT")
        .serve("+OK\r\n");
}

// The account every case checks: alice on pop.example.org, port 1101.
void addAlice(CheckerHarness& run) {
    run.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                   QStringLiteral("pop.example.org"), 1101);
}

Script greetedWithCapabilities(const QByteArray& capabilities) {
    Script script;
    script.serve(kGreeting).expect("CAPA").serve(capabilities);
    return script;
}

Script upgraded(const QByteArray& before) {
    Script script = greetedWithCapabilities(before);
    script.expect("STLS").serve("+OK Begin TLS negotiation now.\r\n").startsTls();
    script.expect("CAPA").serve(kAfterTls);
    return script;
}

struct Case {
    const char* name;
    Security security;
    bool seenOverStartTls; // the account was checked over STARTTLS before
    Script script;
    // The account's failure; empty when it is checked.
    QString failure;
    // The log warns that the password goes unencrypted to a server that offers encryption.
    bool warnsInClear = false;
};

std::vector<Case> cases() {
    const QString notOffered = QStringLiteral(
        "The account's security is STARTTLS, and the server does not offer it: no password was "
        "sent");
    const QString strippedAfterUse = QStringLiteral(
        "The server no longer offers STARTTLS, though this account was checked over it before: "
        "no password was sent. Someone on the way may be taking it out; if the server really "
        "changed, choose another security for the account");
    std::vector<Case> table;
    {
        Script s = upgraded(kWithStls);
        table.push_back({"offered and wanted", Security::StartTlsWhenOffered, false,
                         logOnToEmptyMailbox(s), QString()});
    }
    {
        Script s = upgraded(kWithStls);
        table.push_back(
            {"required and offered", Security::StartTls, true, logOnToEmptyMailbox(s), QString()});
    }
    table.push_back({"required, not offered", Security::StartTls, false,
                     greetedWithCapabilities(kWithoutStls), notOffered});
    table.push_back({"required, CAPA refused", Security::StartTls, false,
                     greetedWithCapabilities("-ERR unknown command\r\n"), notOffered});
    table.push_back({"when offered, stripped after it was used", Security::StartTlsWhenOffered,
                     true, greetedWithCapabilities(kWithoutStls), strippedAfterUse});
    table.push_back({"when offered, CAPA refused after it was used", Security::StartTlsWhenOffered,
                     true, greetedWithCapabilities("-ERR unknown command\r\n"), strippedAfterUse});
    {
        Script s = greetedWithCapabilities(kWithoutStls);
        table.push_back({"when offered, never offered", Security::StartTlsWhenOffered, false,
                         logOnToEmptyMailbox(s), QString()});
    }
    {
        Script s = greetedWithCapabilities(kWithStls);
        table.push_back({"none, though offered", Security::None, true, logOnToEmptyMailbox(s),
                         QString(), true});
    }
    {
        Script s = greetedWithCapabilities(kWithStls);
        s.expect("STLS").serve("-ERR TLS not available now\r\n");
        table.push_back({"STLS refused", Security::StartTlsWhenOffered, false, s,
                         QStringLiteral("The server refused STARTTLS (no password was sent): TLS "
                                        "not available now")});
    }
    {
        Script s = greetedWithCapabilities(kWithStls);
        s.expect("STLS").serve("+OK Begin TLS negotiation now.\r\n").startsTls(false);
        table.push_back({"upgrade fails", Security::StartTls, false, s,
                         QStringLiteral("Secure connection failed: certificate problem")});
    }
    {
        // Bytes sent in the clear behind the STLS answer (an attacker's injected CAPA list) are
        // dropped: only what comes under TLS counts.
        Script s = greetedWithCapabilities(kWithStls);
        s.expect("STLS").serve("+OK Begin TLS.\r\n+OK\r\nUSER\r\n.\r\n").startsTls();
        s.expect("CAPA").serve("+OK\r\nSASL PLAIN\r\n.\r\n");
        s.expect("AUTH PLAIN").serve("+ \r\n").expect(QByteArray("\0alice\0secret", 13).toBase64());
        s.serve("+OK\r\n").expect("STAT").serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
        table.push_back(
            {"plain text injected behind STLS", Security::StartTls, false, s, QString()});
    }
    {
        // An answer to CAPA that is neither a list nor a refusal is no POP3.
        Script s = greetedWithCapabilities("HELLO\r\n");
        table.push_back({"CAPA answered with garbage", Security::StartTlsWhenOffered, false, s,
                         QStringLiteral("The server sent a reply that is not POP3: HELLO")});
    }
    return table;
}

TEST(SecureLogOn, NoPasswordLeavesBeforeTheConnectionIsAsSecureAsChosen) {
    for (Case& c : cases()) {
        SCOPED_TRACE(c.name);
        ScriptedSocket socket;
        CheckerHarness run(socket);
        addAlice(run);
        const MailboxAddress address{QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                                     QStringLiteral("1101")};
        run.connections.setSecurity(address, c.security);
        if (c.seenOverStartTls)
            run.connections.markStartTlsSeen(address);
        const bool upgrades =
            std::any_of(c.script.steps.begin(), c.script.steps.end(), [](const Script::Step& step) {
                return step.kind == Script::Step::StartTls && step.bytes == "ok";
            });
        socket.addScript(1101, c.script);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
        EXPECT_EQ(socket.encryptions(), std::vector{Socket::Encryption::Plain});
        ASSERT_EQ(run.mail.count(), 1);
        if (c.failure.isEmpty()) {
            EXPECT_TRUE(socket.scriptDone());
            EXPECT_TRUE(run.mail.at(1).isNoMail()) << run.mail.at(1).subject().toStdString();
        } else {
            EXPECT_EQ(run.mail.at(1).subject(), c.failure);
            EXPECT_FALSE(socket.sent().join(u'\n').contains(QStringLiteral("secret")));
            EXPECT_FALSE(socket.sent().contains(QStringLiteral("USER alice")));
        }
        // Once the account went through STARTTLS, a later conversation without it is refused.
        EXPECT_EQ(run.connections.startTlsSeen(address), c.seenOverStartTls || upgrades);
        EXPECT_EQ(run.view.lines().contains(QStringLiteral("..Secure Connection (STARTTLS)")),
                  upgrades);
        EXPECT_EQ(run.view.lines().contains(QStringLiteral(
                      "..Warning: The Server Offers STARTTLS, But This Account's Security Is None: "
                      "Its Password Or Sign-In Goes Unencrypted (Choose STARTTLS For The "
                      "Account)")),
                  c.warnsInClear);
    }
}

// Port 995 means TLS from the first byte, and a TLS account never sends STLS whatever CAPA says;
// another port given "TLS" is encrypted from the start too.
TEST(SecureLogOn, TlsAccountsAreEncryptedFromTheStartOnAnyPort) {
    ScriptedSocket socket;
    CheckerHarness run(socket);
    run.addAccount(QStringLiteral("Pop3s"), QStringLiteral("alice"), QStringLiteral("secret"),
                   QStringLiteral("pop.example.org"), 995);
    run.addAccount(QStringLiteral("Router"), QStringLiteral("alice"), QStringLiteral("secret"),
                   QStringLiteral("pop.example.org"), 1995);
    run.setSecurity(QStringLiteral("alice"), QStringLiteral("pop.example.org"), 1995,
                    Security::Tls);
    for (const int port : {995, 1995}) {
        Script s = greetedWithCapabilities(kWithStls);
        socket.addScript(port, logOnToEmptyMailbox(s));
    }
    ASSERT_TRUE(run.runCheck());
    EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
    EXPECT_EQ(socket.encryptions(),
              (std::vector{Socket::Encryption::Tls, Socket::Encryption::Tls}));
    EXPECT_FALSE(socket.sent().contains(QStringLiteral("STLS")));
    EXPECT_EQ(run.view.lines().last(),
              QStringLiteral("..Check Complete: No New Mail Items -Total Items: 0"));
}

// A server that offers SASL PLAIN and not USER is logged on with AUTH PLAIN in two steps (the
// form every server takes); one that offers only mechanisms this program cannot use is tried
// with USER, and its own refusal shown.
TEST(SecureLogOn, AServerWithoutUserIsLoggedOnWithAuthPlain) {
    const QByteArray plain = QByteArray("\0alice\0secret", 13).toBase64();
    struct AuthCase {
        const char* name;
        QByteArray capabilities;
        QByteArray answer; // to the credentials
        QStringList sent;
        QString subject;
    };
    const AuthCase table[] = {
        {"accepted",
         "+OK\r\nSASL PLAIN LOGIN\r\n.\r\n",
         "+OK Logged in.\r\n",
         {"CAPA", "AUTH PLAIN", QString::fromLatin1(plain), "STAT", "QUIT"},
         QString()},
        {"refused",
         "+OK\r\nSASL PLAIN\r\n.\r\n",
         "-ERR [AUTH] Authentication failed.\r\n",
         {"CAPA", "AUTH PLAIN", QString::fromLatin1(plain)},
         QStringLiteral("Wrong user name or password: [AUTH] Authentication failed.")},
    };
    for (const AuthCase& c : table) {
        SCOPED_TRACE(c.name);
        ScriptedSocket socket;
        CheckerHarness run(socket);
        addAlice(run);
        Script s = greetedWithCapabilities(c.capabilities);
        s.expect("AUTH PLAIN").serve("+ \r\n").expect(plain).serve(c.answer);
        if (c.subject.isEmpty())
            s.expect("STAT").serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
        socket.addScript(1101, s);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
        EXPECT_EQ(socket.sent(), c.sent);
        ASSERT_EQ(run.mail.count(), 1);
        if (c.subject.isEmpty())
            EXPECT_TRUE(run.mail.at(1).isNoMail());
        else
            EXPECT_EQ(run.mail.at(1).subject(), c.subject);
    }

    // A server that answers every response with another challenge is left after a few.
    {
        ScriptedSocket socket;
        CheckerHarness run(socket);
        addAlice(run);
        Script s = greetedWithCapabilities("+OK\r\nSASL PLAIN\r\n.\r\n");
        s.expect("AUTH PLAIN").serve("+ \r\n").expect(plain);
        for (int round = 0; round < 7; ++round)
            s.serve("+ \r\n").expect("*");
        s.serve("+ \r\n");
        socket.addScript(1101, s);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
        EXPECT_EQ(run.mail.at(1).subject(),
                  QStringLiteral("The server's log-on exchange (AUTH) did not end"));
    }

    // Only mechanisms this program does not have: USER is tried.
    ScriptedSocket socket;
    CheckerHarness run(socket);
    addAlice(run);
    Script s = greetedWithCapabilities("+OK\r\nSASL XOAUTH2\r\n.\r\n");
    s.expect("USER alice").serve("-ERR Use XOAUTH2\r\n");
    socket.addScript(1101, s);
    ASSERT_TRUE(run.runCheck());
    EXPECT_TRUE(socket.unexpected().isEmpty());
    EXPECT_EQ(run.mail.at(1).subject(),
              QStringLiteral("The server refused the user name: Use XOAUTH2"));
}

// A server that agrees to STLS and then never answers the handshake is given up at the time-out,
// and the row says that the secure connection was not set up.
TEST(SecureLogOn, AnUpgradeThatNeverEndsIsGivenUpAtTheTimeOut) {
    ScriptedSocket socket;
    CheckerHarness run(socket);
    run.options.serverTimeoutMs = 5000;
    run.checker.connection().setTimeoutTickInterval(5);
    addAlice(run);
    Script s = greetedWithCapabilities(kWithStls);
    s.expect("STLS").serve("+OK Begin TLS.\r\n").startsTlsAndHangs();
    socket.addScript(1101, s);
    run.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.state() == Socket::State::Handshaking; }));
    run.clock.advance(5001);
    ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(run.rowTexts(3),
              QStringList{QStringLiteral("Secure connection failed: the TLS handshake with "
                                         "pop.example.org did not end within 5 seconds")});
}

TEST(Capabilities, ListsAreReadWhateverTheirCaseAndLoginDelayIsKept) {
    const Capabilities c =
        Capabilities::fromList("top\r\nuser\r\nStls\r\nSASL plain XOAUTH2\r\nLOGIN-DELAY 300 "
                               "USER\r\nIMPLEMENTATION x\r\n");
    EXPECT_TRUE(c.listed);
    EXPECT_TRUE(c.stls);
    EXPECT_TRUE(c.user);
    EXPECT_EQ(c.sasl, (QStringList{"PLAIN", "XOAUTH2"}));
    EXPECT_EQ(c.loginDelaySeconds, 300);
    const Capabilities none = Capabilities::fromList("TOP\r\nLOGIN-DELAY soon\r\n");
    EXPECT_FALSE(none.stls || none.user || none.loginDelaySeconds.has_value());
}

// The OAuth2 mechanisms' responses, byte for byte as Google's XOAUTH2 and RFC 7628 write them,
// and a refused token's JSON error answered and put in plain words.
TEST(SaslMechanisms, OAuth2ResponsesAndRefusals) {
    SaslXoauth2 xoauth2("someuser@example.com", "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg");
    EXPECT_EQ(xoauth2.respond({}),
              QByteArray("user=someuser@example.com\x01"
                         "auth=Bearer ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg\x01\x01"));
    EXPECT_EQ(xoauth2.respond(
                  R"({"status":"401","schemes":"bearer","scope":"https://mail.google.com/"})"),
              QByteArray());
    EXPECT_EQ(xoauth2.refusalDetail(),
              QStringLiteral("the access token was refused (expired or revoked); it asks for the "
                             "scope https://mail.google.com/"));

    SaslOauthBearer bearer("user@example.com",
                           "vF9dft4qmTc2Nvb3RlckBhbHRhdmlzdGEuY29tCg==", "server.example.com", 143);
    EXPECT_EQ(bearer.respond({}),
              QByteArray("n,a=user@example.com,\x01host=server.example.com\x01port=143\x01"
                         "auth=Bearer vF9dft4qmTc2Nvb3RlckBhbHRhdmlzdGEuY29tCg==\x01\x01"));
    EXPECT_EQ(bearer.respond(R"({"status":"invalid_token","scope":"example_scope"})"),
              QByteArray("\x01"));
    EXPECT_EQ(bearer.refusalDetail(), QStringLiteral("the access token was refused (expired or "
                                                     "revoked); it asks for the scope "
                                                     "example_scope"));
    // A SASL name escapes "," and "=".
    SaslOauthBearer odd("a,b=c", "t", "h", 110);
    EXPECT_TRUE(odd.respond({})->startsWith("n,a=a=2Cb=3Dc,\x01"));
    EXPECT_EQ(oauthRefusal("not json\r\n"), QStringLiteral("not json"));
}

} // namespace
} // namespace mervantic
