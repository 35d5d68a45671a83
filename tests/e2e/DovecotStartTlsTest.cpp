// STARTTLS against real Dovecot servers set up as their administrators set them up: TLS required
// on the plain port, passwords refused in the clear, no TLS at all, and a proxy on the way that
// takes STLS out of the server's capabilities once the account was checked over it.
#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "EventLoop.h"
#include "platform/ClientSocket.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::DovecotServer;

const QString kHost = QStringLiteral("localhost");
const QString kPassword = QStringLiteral("Tr0ub4dor&3");

// A loopback proxy that passes every byte, keeps what the client sent (in the clear until TLS
// begins), and, once told to, takes the STLS line out of every answer to CAPA.
class StrippingProxy {
public:
    explicit StrippingProxy(int serverPort)
        : m_serverPort(serverPort) {
        m_listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_listener, &QTcpServer::newConnection, [this] { accept(); });
    }
    int port() const { return m_listener.serverPort(); }
    void setStripping(bool stripping) { m_stripping = stripping; }
    const QByteArray& fromClient() const { return m_fromClient; }

private:
    void accept() {
        while (QTcpSocket* client = m_listener.nextPendingConnection()) {
            auto* server = new QTcpSocket(client);
            // Dovecot takes a connection from its own address for a secure one; from another
            // loopback address it is a connection from the network.
            server->bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
            server->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_serverPort));
            QObject::connect(server, &QTcpSocket::readyRead, client, [this, client, server] {
                QByteArray bytes = server->readAll();
                if (m_stripping)
                    bytes.replace("\r\nSTLS\r\n", "\r\n");
                client->write(bytes);
            });
            QObject::connect(client, &QTcpSocket::readyRead, server, [this, client, server] {
                const QByteArray bytes = client->readAll();
                m_fromClient += bytes;
                server->write(bytes);
            });
            QObject::connect(server, &QTcpSocket::disconnected, client,
                             [client] { client->disconnectFromHost(); });
            QObject::connect(client, &QTcpSocket::disconnected, client,
                             [client] { client->deleteLater(); });
        }
    }

    QTcpServer m_listener;
    int m_serverPort;
    bool m_stripping = false;
    QByteArray m_fromClient;
};

// An account of `user` on `dovecot`, reached through a proxy that records what crosses it, and
// checked by a socket that trusts the test servers' authority, as a user who trusted it would.
struct ProxiedAccount {
    ProxiedAccount(DovecotServer& dovecot, const QString& user,
                   std::optional<Security> security = std::nullopt)
        : proxy(dovecot.port())
        , socket(trusting(dovecot))
        , address{user, kHost, QString::number(proxy.port())} {
        harness.addAccount(QStringLiteral("Box"), user, kPassword, kHost, proxy.port());
        if (security)
            harness.setSecurity(user, kHost, proxy.port(), *security);
    }
    static TlsPolicy trusting(const DovecotServer& dovecot) {
        TlsPolicy policy;
        policy.extraAuthorities = dovecot.authority();
        return policy;
    }

    StrippingProxy proxy;
    ClientSocket socket;
    CheckerHarness harness{socket};
    MailboxAddress address;
};

class DovecotStartTls : public ::testing::Test {
protected:
    static DovecotServer& server(const QString& ssl, bool plaintextOnlyOverTls) {
        static std::map<std::pair<QString, bool>, std::unique_ptr<DovecotServer>> servers;
        auto& server = servers[{ssl, plaintextOnlyOverTls}];
        if (!server) {
            server =
                std::make_unique<DovecotServer>(DovecotServer::Setup{ssl, plaintextOnlyOverTls});
            server->start();
        }
        return *server;
    }

    static QByteArray message(const QString& user) {
        return "From: a@example.org\r\nSubject: For " + user.toLatin1() + "\r\nMessage-ID: <1." +
               user.toLatin1() + "@example.org>\r\n\r\nbody\r\n";
    }

    QString addUser(DovecotServer& dovecot) {
        const QString user = QStringLiteral("starttls%1").arg(++s_user);
        dovecot.addUser(user, kPassword);
        dovecot.deliver(user, message(user));
        return user;
    }

    static inline int s_user = 0;
};

TEST_F(DovecotStartTls, EachSetupIsCheckedAsItsSecurityAllowsAndNoPasswordCrossesInTheClear) {
    const QString disallowed = QStringLiteral(
        "The server refused the user name: [AUTH] Plaintext authentication disallowed on "
        "non-secure (SSL/TLS) connections.");
    const struct {
        const char* name;
        const char* ssl;
        bool plaintextOnlyOverTls;
        Security security;
        // The failed account's row begins so; empty when the account is checked.
        QString failure;
    } cases[] = {
        {"ssl = required, STARTTLS", "required", false, Security::StartTls, QString()},
        {"ssl = required, STARTTLS when offered", "required", false, Security::StartTlsWhenOffered,
         QString()},
        {"ssl = required, None", "required", false, Security::None, disallowed},
        {"disable_plaintext_auth, STARTTLS when offered", "yes", true,
         Security::StartTlsWhenOffered, QString()},
        {"disable_plaintext_auth, None", "yes", true, Security::None, disallowed},
        {"no TLS, STARTTLS", "no", false, Security::StartTls,
         QStringLiteral("The account's security is STARTTLS, and the server does not offer it: "
                        "no password was sent")},
        {"no TLS, STARTTLS when offered", "no", false, Security::StartTlsWhenOffered, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DovecotServer& dovecot = server(QString::fromLatin1(c.ssl), c.plaintextOnlyOverTls);
        ASSERT_TRUE(dovecot.isRunning()) << dovecot.why().toStdString();
        const QString user = addUser(dovecot);
        ProxiedAccount account(dovecot, user, c.security);
        const StrippingProxy& proxy = account.proxy;
        CheckerHarness& harness = account.harness;
        ASSERT_TRUE(harness.runCheck());
        ASSERT_EQ(harness.mail.count(), 1);
        const bool overTls = c.failure.isEmpty() && QLatin1String(c.ssl) != QLatin1String("no");
        if (c.failure.isEmpty()) {
            EXPECT_EQ(harness.mail.at(1).subject(), QStringLiteral("For ") + user);
        } else {
            EXPECT_TRUE(harness.mail.at(1).subject().startsWith(c.failure))
                << harness.mail.at(1).subject().toStdString();
        }
        EXPECT_EQ(harness.view.lines().contains(QStringLiteral("..Secure Connection (STARTTLS)")),
                  overTls);
        // What crossed the network in the clear holds no password; over TLS, not even the
        // user name.
        EXPECT_EQ(proxy.fromClient().contains(kPassword.toLatin1()),
                  QLatin1String(c.ssl) == QLatin1String("no") && c.failure.isEmpty());
        if (overTls) {
            EXPECT_FALSE(proxy.fromClient().contains(user.toLatin1()));
        }
    }
}

// The delete run goes the same way as the check: over STARTTLS to a server that takes no
// password in the clear, the ticked message leaves the server and the other stays.
TEST_F(DovecotStartTls, TheDeleteRunGoesOverStartTlsToo) {
    DovecotServer& dovecot = server(QStringLiteral("required"), false);
    ASSERT_TRUE(dovecot.isRunning()) << dovecot.why().toStdString();
    const QString user = addUser(dovecot);
    dovecot.deliver(user, "From: b@example.org\r\nSubject: Keep me\r\nMessage-ID: <2." +
                              user.toLatin1() + "@example.org>\r\n\r\nbody\r\n");
    ProxiedAccount account(dovecot, user, Security::StartTls);
    const StrippingProxy& proxy = account.proxy;
    CheckerHarness& harness = account.harness;
    harness.options.deleteEnabled = true;
    harness.mail.setDeleteFunctionsEnabled(true);
    ASSERT_TRUE(harness.runCheck());
    ASSERT_EQ(harness.rowTexts(3), (QStringList{QStringLiteral("For ") + user, "Keep me"}));
    harness.mail.checkItem(1);
    harness.checker.deleteMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }, 30000));
    const QList<QByteArray> left = dovecot.mailbox(user);
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left.first().contains("Subject: Keep me"));
    EXPECT_FALSE(proxy.fromClient().contains(kPassword.toLatin1()));
    EXPECT_FALSE(proxy.fromClient().contains("DELE"));
}

// A proxy that takes STLS out of the capabilities (a downgrade attack) is refused once the
// account was checked over STARTTLS; the user's own choice of "None" lets it through.
TEST_F(DovecotStartTls, AServerStrippedOfStartTlsAfterUseIsRefusedUntilTheUserDecides) {
    DovecotServer& dovecot = DovecotServer::sharedTls();
    ASSERT_TRUE(dovecot.isRunning()) << dovecot.why().toStdString();
    const QString user = addUser(dovecot);
    ProxiedAccount account(dovecot, user);
    StrippingProxy& proxy = account.proxy;
    CheckerHarness& harness = account.harness;
    const MailboxAddress& address = account.address;

    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.mail.at(1).subject(), QStringLiteral("For ") + user);
    EXPECT_TRUE(harness.connections.startTlsSeen(address));

    proxy.setStripping(true);
    const qsizetype before = proxy.fromClient().size();
    ASSERT_TRUE(harness.runCheck());
    ASSERT_EQ(harness.mail.count(), 1);
    EXPECT_TRUE(harness.mail.at(1).subject().startsWith(
        QStringLiteral("The server no longer offers STARTTLS, though this account was checked "
                       "over it before: no password was sent.")));
    const QByteArray stripped = proxy.fromClient().mid(before);
    EXPECT_EQ(stripped, "CAPA\r\n");

    harness.connections.setSecurity(address, Security::None);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.mail.at(1).subject(), QStringLiteral("For ") + user);
}

} // namespace
} // namespace mervantic
