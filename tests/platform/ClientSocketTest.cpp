#include "platform/ClientSocket.h"

#include "DovecotServer.h"
#include "EventLoop.h"
#include "ScriptedServer.h"

#include <QSignalSpy>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <cerrno>
#include <gtest/gtest.h>
#include <memory>

namespace mervantic {
namespace {

using test::waitUntil;

// A loopback listener that keeps the server side of each accepted connection.
class Listener {
public:
    Listener() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection())
                m_peers.push_back(peer);
        });
    }
    int port() const { return m_server.serverPort(); }
    QTcpSocket* peer(int index = 0) {
        waitUntil([&] { return static_cast<int>(m_peers.size()) > index; });
        return static_cast<int>(m_peers.size()) > index ? m_peers[static_cast<std::size_t>(index)]
                                                        : nullptr;
    }

private:
    QTcpServer m_server;
    std::vector<QTcpSocket*> m_peers;
};

TEST(ClientSocket, EventsArriveInTheirOwnTurnOfTheEventLoop) {
    Listener listener;
    ClientSocket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy data(&socket, &Socket::dataArrived);

    ASSERT_TRUE(socket.connectToServer(QStringLiteral("127.0.0.1"), listener.port(),
                                       Socket::Encryption::Plain));
    EXPECT_EQ(socket.state(), Socket::State::Connecting);
    ASSERT_TRUE(waitUntil([&] { return connected.count() == 1; }));
    EXPECT_EQ(socket.state(), Socket::State::Connected);
    EXPECT_EQ(socket.peerAddress(), QStringLiteral("127.0.0.1"));

    QTcpSocket* peer = listener.peer();
    ASSERT_NE(peer, nullptr);
    peer->write("+OK hello\r\n");
    ASSERT_TRUE(waitUntil([&] { return data.count() >= 1; }));
    EXPECT_EQ(socket.readAll(), QByteArray("+OK hello\r\n"));

    socket.send("USER a\r\n");
    ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() >= 8; }));
    EXPECT_EQ(peer->readAll(), QByteArray("USER a\r\n"));
}

TEST(ClientSocket, APeerCloseIsReportedAfterTheLastDataIsReadable) {
    Listener listener;
    ClientSocket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QByteArray received;
    bool closedAfterData = false;
    QObject::connect(&socket, &Socket::dataArrived, [&] { received += socket.readAll(); });
    QObject::connect(&socket, &Socket::closedByPeer,
                     [&] { closedAfterData = received == "+OK bye\r\n"; });
    QSignalSpy closed(&socket, &Socket::closedByPeer);

    socket.connectToServer(QStringLiteral("127.0.0.1"), listener.port(), Socket::Encryption::Plain);
    ASSERT_TRUE(waitUntil([&] { return connected.count() == 1; }));
    QTcpSocket* peer = listener.peer();
    peer->write("+OK bye\r\n");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return closed.count() == 1; }));
    EXPECT_TRUE(closedAfterData);
    EXPECT_EQ(socket.state(), Socket::State::Closed);
    test::settle();
    EXPECT_EQ(closed.count(), 1);
}

TEST(ClientSocket, NothingOfAConnectionTheProgramClosedReachesIt) {
    Listener listener;
    ClientSocket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy data(&socket, &Socket::dataArrived);
    QSignalSpy closed(&socket, &Socket::closedByPeer);
    QSignalSpy failed(&socket, &Socket::failed);

    socket.connectToServer(QStringLiteral("127.0.0.1"), listener.port(), Socket::Encryption::Plain);
    ASSERT_TRUE(waitUntil([&] { return connected.count() == 1; }));
    QTcpSocket* peer = listener.peer();
    peer->write("+OK late\r\n");
    peer->flush();
    socket.close(); // before the data event could be delivered
    EXPECT_EQ(socket.state(), Socket::State::Closed);
    peer->disconnectFromHost();
    QTest::qWait(100);
    test::settle();
    EXPECT_EQ(data.count(), 0);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(failed.count(), 0);
}

TEST(ClientSocket, ARefusedConnectionIsReportedAsRefused) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();

    ClientSocket socket;
    QSignalSpy failed(&socket, &Socket::failed);
    ASSERT_TRUE(
        socket.connectToServer(QStringLiteral("127.0.0.1"), port, Socket::Encryption::Plain));
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(failed.at(0).at(0).value<Socket::Failure>(), Socket::Failure::Refused);
    // In English whatever the user's language, as the log is.
    EXPECT_EQ(failed.at(0).at(1).toString(), QStringLiteral("Connection refused"));
    EXPECT_EQ(socket.state(), Socket::State::Closed);
}

TEST(ClientSocket, PortsOutsideTheTcpRangeCannotBeginToConnect) {
    ClientSocket socket;
    QSignalSpy failed(&socket, &Socket::failed);
    for (const int port : {0, -12, 65536, 70000})
        EXPECT_FALSE(
            socket.connectToServer(QStringLiteral("127.0.0.1"), port, Socket::Encryption::Plain))
            << port;
    EXPECT_EQ(socket.state(), Socket::State::Closed);
    test::settle();
    EXPECT_EQ(failed.count(), 0);
}

// A loopback listener that speaks TLS with the test authority's certificate for "localhost".
class TlsListener final : public QTcpServer {
public:
    explicit TlsListener(const test::DovecotServer& certificates) {
        QFile certificate(certificates.certificateFile());
        QFile key(certificates.keyFile());
        certificate.open(QIODevice::ReadOnly);
        key.open(QIODevice::ReadOnly);
        m_certificate = QSslCertificate(certificate.readAll());
        m_key = QSslKey(key.readAll(), QSsl::Rsa);
        listen(QHostAddress::LocalHost, 0);
    }
    int port() const { return serverPort(); }
    QSslSocket* peer() {
        waitUntil([&] { return !m_peers.empty() && m_peers.front()->isEncrypted(); });
        return m_peers.empty() ? nullptr : m_peers.front();
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* peer = new QSslSocket(this);
        peer->setSocketDescriptor(descriptor);
        peer->setLocalCertificate(m_certificate);
        peer->setPrivateKey(m_key);
        peer->startServerEncryption();
        m_peers.push_back(peer);
    }

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
    std::vector<QSslSocket*> m_peers;
};

// A reset, whatever the transport, is a failure of the connection; only an orderly end of the
// stream is a close by the peer.
TEST(ClientSocket, AResetIsAFailureAndOnlyAnOrderlyEndIsAClose) {
    test::DovecotServer& certificates = test::DovecotServer::shared();
    ASSERT_TRUE(certificates.isRunning() || certificates.start())
        << certificates.why().toStdString();
    struct Case {
        const char* name;
        bool encrypted;
        bool reset;
    };
    for (const Case c : {Case{"plain close", false, false}, Case{"plain reset", false, true},
                         Case{"TLS close", true, false}, Case{"TLS reset", true, true}}) {
        SCOPED_TRACE(c.name);
        Listener plain;
        TlsListener secure(certificates);
        TlsPolicy policy;
        const int port = c.encrypted ? secure.port() : plain.port();
        policy.extraAuthorities = certificates.authority();
        ClientSocket socket(policy);
        QSignalSpy connected(&socket, &Socket::connected);
        QSignalSpy closed(&socket, &Socket::closedByPeer);
        QSignalSpy failed(&socket, &Socket::failed);
        QByteArray received;
        QObject::connect(&socket, &Socket::dataArrived, [&] { received += socket.readAll(); });
        socket.connectToServer(QStringLiteral("localhost"), port,
                               c.encrypted ? Socket::Encryption::Tls : Socket::Encryption::Plain);
        ASSERT_TRUE(waitUntil([&] { return connected.count() == 1; }));
        QTcpSocket* peer = c.encrypted ? static_cast<QTcpSocket*>(secure.peer()) : plain.peer();
        ASSERT_NE(peer, nullptr);
        peer->write("+OK half a reply\r\n");
        peer->flush();
        ASSERT_TRUE(waitUntil([&] { return received == "+OK half a reply\r\n"; }));
        if (c.reset)
            test::ScriptedServer::reset(peer);
        else
            peer->disconnectFromHost();
        ASSERT_TRUE(waitUntil([&] { return closed.count() + failed.count() == 1; }));
        EXPECT_EQ(failed.count(), c.reset ? 1 : 0);
        EXPECT_EQ(closed.count(), c.reset ? 0 : 1);
        if (c.reset) {
            EXPECT_EQ(failed.first().at(0).value<Socket::Failure>(), Socket::Failure::Reset);
        }
    }
}

// A plain connection goes on under TLS once the server has agreed to STLS (RFC 2595), with
// the server's certificate checked as on port 995: trusted, the conversation goes on encrypted
// (the real Dovecot no longer offers STLS then); untrusted, the socket fails with the reason and
// nothing more is sent.
TEST(ClientSocket, APlainConnectionGoesOnUnderTlsAfterStls) {
    test::DovecotServer& server = test::DovecotServer::sharedTls();
    ASSERT_TRUE(server.isRunning() || server.start()) << server.why().toStdString();
    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "trusted" : "untrusted");
        TlsPolicy policy;
        if (trusted)
            policy.extraAuthorities = server.authority();
        ClientSocket socket(policy);
        QSignalSpy connected(&socket, &Socket::connected);
        QSignalSpy secured(&socket, &Socket::tlsStarted);
        QSignalSpy failed(&socket, &Socket::failed);
        QByteArray received;
        QObject::connect(&socket, &Socket::dataArrived, [&] { received += socket.readAll(); });
        const auto reply = [&](const QByteArray& end) {
            const bool arrived = waitUntil([&] { return received.endsWith(end); });
            const QByteArray text = received;
            received.clear();
            return arrived ? text : QByteArray();
        };
        socket.connectToServer(QStringLiteral("localhost"), server.port(),
                               Socket::Encryption::Plain);
        ASSERT_TRUE(waitUntil([&] { return connected.count() == 1; }));
        ASSERT_TRUE(reply("\r\n").startsWith("+OK"));
        socket.send("CAPA\r\n");
        EXPECT_TRUE(reply(".\r\n").contains("\r\nSTLS\r\n"));
        socket.send("STLS\r\n");
        ASSERT_TRUE(reply("\r\n").startsWith("+OK"));
        socket.startTls(QStringLiteral("localhost"));
        ASSERT_TRUE(waitUntil([&] { return secured.count() + failed.count() == 1; }));
        if (!trusted) {
            ASSERT_EQ(failed.count(), 1);
            EXPECT_EQ(failed.first().at(0).value<Socket::Failure>(), Socket::Failure::Tls);
            EXPECT_TRUE(failed.first().at(1).toString().contains(QStringLiteral("authority")))
                << failed.first().at(1).toString().toStdString();
            EXPECT_EQ(socket.state(), Socket::State::Closed);
            continue;
        }
        EXPECT_EQ(connected.count(), 1); // going on under TLS is no new connection
        EXPECT_EQ(socket.state(), Socket::State::Connected);
        socket.send("CAPA\r\n");
        const QByteArray capabilities = reply(".\r\n");
        EXPECT_TRUE(capabilities.contains("\r\nUSER\r\n")) << capabilities.constData();
        EXPECT_FALSE(capabilities.contains("STLS")) << capabilities.constData();
        socket.send("QUIT\r\n");
        EXPECT_TRUE(reply("\r\n").startsWith("+OK"));
    }
}

// What the kernel says of a failed connection, in the kinds the user is told apart, and in
// English whatever the locale.
// A handshake that failed through no certificate's fault is said in words a user can act on,
// never in the TLS library's codes, and never as nothing.
TEST(ClientSocket, AFailedHandshakeIsSaidInPlainWords) {
    const QString start = QStringLiteral("the secure connection could not be set up: ");
    const struct {
        const char* library;
        const char* said;
    } cases[] = {
        {"error:0A00010B:SSL routines::wrong version number",
         "the server does not speak TLS on this port, it answered in plain text (the port may "
         "expect STARTTLS or no encryption: choose the security that fits the port)"},
        {"error:0A000102:SSL routines::unsupported protocol",
         "the server offers only a TLS version too old for this computer to accept"},
        {"error:0A000410:SSL routines::sslv3 alert handshake failure",
         "the server refused the TLS handshake (no TLS version or cipher in common)"},
        {"Error during SSL handshake: ", "the server ended the TLS handshake without saying why"},
        {"", "the server ended the TLS handshake without saying why"},
        {"Something new", "the TLS library says \"Something new\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        EXPECT_EQ(ClientSocket::handshakeFailure(QString::fromLatin1(c.library)),
                  start + QString::fromLatin1(c.said));
    }
}

TEST(ClientSocket, EachConnectionErrorHasItsKind) {
    const struct {
        int error;
        Socket::Failure kind;
        const char* words;
    } cases[] = {
        {ECONNREFUSED, Socket::Failure::Refused, "Connection refused"},
        {ENETUNREACH, Socket::Failure::Unreachable, "Network is unreachable"},
        {EHOSTUNREACH, Socket::Failure::Unreachable, "No route to host"},
        {ETIMEDOUT, Socket::Failure::TimedOut, "Connection timed out"},
        {ECONNRESET, Socket::Failure::Reset, "Connection reset by peer"},
        {EPIPE, Socket::Failure::Reset, "Broken pipe"},
        {EMFILE, Socket::Failure::Network, "Too many open files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(ClientSocket::failureOf(c.error), c.kind);
        EXPECT_EQ(ClientSocket::describe(c.error), QString::fromLatin1(c.words));
    }
}

} // namespace
} // namespace mervantic
