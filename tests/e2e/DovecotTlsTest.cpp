#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "EventLoop.h"
#include "ScriptedServer.h"
#include "platform/ClientSocket.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::DovecotServer;

QByteArray message(int n) {
    return "From: tls" + QByteArray::number(n) + "@example.org\r\nSubject: Secure " +
           QByteArray::number(n) + "\r\nMessage-ID: <" + QByteArray::number(n) +
           ".tls@example.org>\r\n\r\nbody\r\n";
}

class DovecotTls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isRunning()) << server.why().toStdString();
        user = QStringLiteral("tls%1").arg(++s_user);
        server.addUser(user, QStringLiteral("pw"));
        for (int n = 1; n <= 2; ++n)
            server.deliver(user, message(n));
    }

    TlsPolicy policy(bool trustTestAuthority) const {
        TlsPolicy p;
        if (trustTestAuthority)
            p.extraAuthorities = server.authority();
        return p;
    }

    // Accounts on the TLS listener are given the security "TLS", as on port 995; accounts on
    // the plain listener "None", though it offers STARTTLS.
    void addAccount(CheckerHarness& harness, const QString& name, const QString& host,
                    bool tls) const {
        const int port = tls ? server.tlsPort() : server.port();
        harness.addAccount(name, user, QStringLiteral("pw"), host, port);
        harness.setSecurity(user, host, port, tls ? Security::Tls : Security::None);
    }

    DovecotServer& server = DovecotServer::sharedTls();
    QString user;
    static inline int s_user = 0;
};

TEST_F(DovecotTls, AnEncryptedAccountListsItsMailBesideAPlainOne) {
    ClientSocket socket(policy(true));
    CheckerHarness harness(socket);
    addAccount(harness, QStringLiteral("Secure"), QStringLiteral("localhost"), true);
    addAccount(harness, QStringLiteral("Plain"), QStringLiteral("127.0.0.1"), false);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.rowTexts(0), (QStringList{"Secure", "Secure", "Plain", "Plain"}));
    EXPECT_EQ(harness.rowTexts(3), (QStringList{"Secure 1", "Secure 2", "Secure 1", "Secure 2"}));
    EXPECT_FALSE(harness.view.lines().contains(QStringLiteral("..Winsock1 Error")));
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: 4 New Mail Items -Total Items: 4"));
}

// A private authority named by SSL_CERT_FILE or SSL_CERT_DIR is trusted, as OpenSSL programs
// trust it, without adding it to the system's store; without them it is not.
TEST_F(DovecotTls, AnAuthorityNamedBySslCertFileOrDirIsTrusted) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("private-ca.pem"));
    {
        QFile pem(file);
        ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
        for (const QSslCertificate& certificate : server.authority())
            pem.write(certificate.toPem());
    }
    const struct {
        const char* name;
        const char* variable;
        QString value;
        bool trusted;
    } cases[] = {
        {"nothing named", nullptr, QString(), false},
        {"SSL_CERT_FILE", "SSL_CERT_FILE", file, true},
        {"SSL_CERT_DIR", "SSL_CERT_DIR", QStringLiteral("/nonexistent:") + folder.path(), true},
    };
    // The machine's own naming (many set them to the system's bundle) is put back afterwards.
    const QByteArray machineFile = qgetenv("SSL_CERT_FILE");
    const QByteArray machineFolders = qgetenv("SSL_CERT_DIR");
    qunsetenv("SSL_CERT_FILE");
    qunsetenv("SSL_CERT_DIR");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.variable != nullptr)
            qputenv(c.variable, c.value.toLocal8Bit());
        ClientSocket socket(policy(false));
        CheckerHarness harness(socket);
        addAccount(harness, QStringLiteral("Secure"), QStringLiteral("localhost"), true);
        ASSERT_TRUE(harness.runCheck());
        if (c.variable != nullptr)
            qunsetenv(c.variable);
        EXPECT_EQ(harness.view.lines().contains(QStringLiteral("..Winsock1 Error")), !c.trusted);
        EXPECT_EQ(harness.mail.count() == 2 && !harness.mail.at(1).isFailure(), c.trusted);
    }
    for (const auto& [name, value] :
         {std::pair{"SSL_CERT_FILE", machineFile}, std::pair{"SSL_CERT_DIR", machineFolders}}) {
        if (!value.isEmpty())
            qputenv(name, value);
    }
}

TEST_F(DovecotTls, ABadCertificateEndsTheAccountWithAPlainReason) {
    const struct {
        const char* name;
        bool trusted;
        const char* host;
        bool plainListener; // the plain listener, spoken to as if it were encrypted
        const char* reason;
    } cases[] = {
        {"a certificate for another host name", true, "127.0.0.1", false,
         "..Secure Connection Failed: the certificate is for another server name"},
        {"a certificate from an untrusted authority", false, "localhost", false,
         "..Secure Connection Failed: the certificate is not signed by an authority this computer "
         "trusts"},
        {"a server that does not speak TLS", true, "localhost", true,
         "..Secure Connection Failed: the secure connection could not be set up: the server does "
         "not speak TLS on this port, it answered in plain text (the port may expect STARTTLS or "
         "no encryption: choose the security that fits the port)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TlsPolicy p = policy(c.trusted);
        const int tlsPort = server.tlsPort();
        const int plainPort = server.port();
        const int securePort = c.plainListener ? plainPort : tlsPort;
        ClientSocket socket(p);
        CheckerHarness harness(socket);
        harness.addAccount(QStringLiteral("Secure"), user, QStringLiteral("pw"),
                           QString::fromLatin1(c.host), securePort);
        harness.setSecurity(user, QString::fromLatin1(c.host), securePort, Security::Tls);
        // A plain-text account in the same run still works (or, in the last case, the encrypted
        // listener, which then serves no plain text and just ends the account).
        if (!c.plainListener)
            addAccount(harness, QStringLiteral("Plain"), QStringLiteral("127.0.0.1"), false);
        ASSERT_TRUE(harness.runCheck());
        const QStringList lines = harness.view.lines();
        const qsizetype error = lines.indexOf(QStringLiteral("..Winsock1 Error"));
        ASSERT_GE(error, 0) << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines.at(error + 1).startsWith(QString::fromLatin1(c.reason)))
            << lines.at(error + 1).toStdString();
        // A certificate presented and refused is offered to the user to trust; a server that
        // presented none has nothing to offer.
        const bool offered = !c.plainListener;
        const QString hint = QStringLiteral(
            "To trust this server's certificate anyway, press Enter on the account's row in the "
            "mail list (or choose the account on the Configure Usernames page and press \"Trust "
            "This Certificate\")");
        if (offered) {
            EXPECT_EQ(lines.at(error + 2), QStringLiteral("..") + hint);
        }
        EXPECT_EQ(lines.at(error + (offered ? 3 : 2)), QStringLiteral("..Not Connected"));
        EXPECT_EQ(harness.connections
                      .offeredCertificate(QString::fromLatin1(c.host), QString::number(securePort))
                      .isEmpty(),
                  !offered);
        // The account's row says why, in the words of the log.
        const QStringList expectedRows =
            c.plainListener ? QStringList{"Secure"} : QStringList{"Secure", "Plain", "Plain"};
        EXPECT_EQ(harness.rowTexts(0), expectedRows);
        EXPECT_TRUE(harness.mail.at(1).isFailure());
        QString logged = lines.at(error + 1);
        logged.replace(QStringLiteral("..Secure Connection Failed: "),
                       QStringLiteral("Secure connection failed: "));
        EXPECT_EQ(harness.mail.at(1).subject(),
                  offered ? logged + QStringLiteral(" - ") + hint : logged);
    }
}

// A server that takes the connection and never begins the handshake: the account is given up
// at the time-out, and the log and the row say that the secure connection was not set up.
TEST_F(DovecotTls, AHandshakeThatNeverEndsIsGivenUpAtTheTimeOut) {
    test::ScriptedServer mute([](QTcpSocket*) {});
    ClientSocket socket;
    CheckerHarness harness(socket);
    harness.options.serverTimeoutMs = 5000;
    harness.addAccount(QStringLiteral("Mute"), user, QStringLiteral("pw"),
                       QStringLiteral("127.0.0.1"), mute.port());
    harness.setSecurity(user, QStringLiteral("127.0.0.1"), mute.port(), Security::Tls);
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return mute.connections() == 1; }));
    ASSERT_TRUE(test::waitUntil([&] { return socket.state() == Socket::State::Handshaking; }));
    harness.clock.advance(5001);
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    const QString why = QStringLiteral("Secure connection failed: the TLS handshake with 127.0.0.1 "
                                       "did not end within 5 seconds");
    EXPECT_TRUE(harness.view.lines().contains(QStringLiteral("..") + why));
    EXPECT_EQ(harness.rowTexts(3), QStringList{why});
}

} // namespace
} // namespace mervantic
