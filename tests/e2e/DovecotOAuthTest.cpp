// The OAuth2 SASL mechanisms against a real Dovecot whose oauth2 passdb asks a token
// introspection endpoint (played here by a small HTTP responder) whether a token is active.
#include "DovecotServer.h"
#include "EventLoop.h"
#include "pop3/SaslMechanism.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::DovecotServer;

// Answers every introspection request: active, for the user "oauth", when the posted token is
// the good one; inactive otherwise.
class Introspection {
public:
    Introspection() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                QObject::connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                    m_request += peer->readAll();
                    const qsizetype head = m_request.indexOf("\r\n\r\n");
                    if (head < 0)
                        return;
                    const QByteArray body = m_request.mid(head + 4);
                    if (!body.contains("token="))
                        return;
                    ++m_asked;
                    const QByteArray json = body.contains("token=good-token")
                                                ? R"({"active":true,"username":"oauth"})"
                                                : R"({"active":false})";
                    peer->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                "Content-Length: " +
                                QByteArray::number(json.size()) + "\r\nConnection: close\r\n\r\n" +
                                json);
                    peer->disconnectFromHost();
                    m_request.clear();
                });
            }
        });
    }
    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/introspect").arg(m_server.serverPort());
    }
    int asked() const { return m_asked; }

private:
    QTcpServer m_server;
    QByteArray m_request;
    int m_asked = 0;
};

// A raw POP3 conversation: one line sent, the reply line read.
class Pop3Line {
public:
    explicit Pop3Line(int port) {
        m_socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    }
    QByteArray reply() {
        test::waitUntil([this] { return m_socket.canReadLine(); }, 10000);
        return m_socket.readLine().trimmed();
    }
    QByteArray send(const QByteArray& line) {
        m_socket.write(line + "\r\n");
        return reply();
    }

private:
    QTcpSocket m_socket;
};

TEST(DovecotOAuth, XOauth2AndOAuthBearerAreTakenWithAnActiveTokenAndRefusedInPlainWords) {
    Introspection introspection;
    DovecotServer server(
        DovecotServer::Setup{QStringLiteral("no"), false, false, introspection.url()});
    ASSERT_TRUE(server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("oauth"), QStringLiteral("unused"));

    const auto logOn = [&](SaslMechanism& mechanism) {
        Pop3Line pop3(server.port());
        EXPECT_TRUE(pop3.reply().startsWith("+OK"));
        QByteArray reply = pop3.send("AUTH " + mechanism.name());
        while (reply.startsWith("+ ") || reply == "+") {
            const std::optional<QByteArray> response =
                mechanism.respond(QByteArray::fromBase64(reply.mid(2)));
            reply = pop3.send(response ? response->toBase64() : QByteArray("*"));
        }
        return reply;
    };
    {
        SaslXoauth2 good("oauth", "good-token");
        EXPECT_TRUE(logOn(good).startsWith("+OK")) << "XOAUTH2";
        SaslOauthBearer bearer("oauth", "good-token", "127.0.0.1", server.port());
        EXPECT_TRUE(logOn(bearer).startsWith("+OK")) << "OAUTHBEARER";
    }
    {
        SaslXoauth2 expired("oauth", "expired-token");
        EXPECT_TRUE(logOn(expired).startsWith("-ERR"));
        EXPECT_TRUE(expired.refusalDetail().startsWith(
            QStringLiteral("the access token was refused (expired or revoked)")))
            << expired.refusalDetail().toStdString();
        SaslOauthBearer bearer("oauth", "expired-token", "127.0.0.1", server.port());
        EXPECT_TRUE(logOn(bearer).startsWith("-ERR"));
        EXPECT_TRUE(bearer.refusalDetail().startsWith(
            QStringLiteral("the access token was refused (expired or revoked)")))
            << bearer.refusalDetail().toStdString();
    }
    EXPECT_GE(introspection.asked(), 4);
}

} // namespace
} // namespace mervantic
