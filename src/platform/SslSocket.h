#pragma once

#include "platform/Socket.h"

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QSslSocket>

#include <functional>

namespace mervantic {

// Which connections are encrypted and which extra authorities are trusted. The product uses the
// defaults: implicit TLS on port 995, certificates checked against the system's trust store and
// the server name. Tests add their own certificate authority and their own TLS ports here.
struct TlsPolicy {
    std::function<bool(int port)> implicitTls = [](int port) { return port == 995; };
    QList<QSslCertificate> extraAuthorities;
};

// The real socket: a QSslSocket whose signals are re-posted to the event loop, stamped with the
// connection they belong to, so that the conversation never runs inside the socket's own signal
// emission and nothing of a closed connection leaks into the next one.
class SslSocket final : public Socket {
    Q_OBJECT

public:
    explicit SslSocket(TlsPolicy policy = {}, QObject* parent = nullptr);
    ~SslSocket() override;

    bool connectToServer(const QString& host, int port) override;
    void send(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override;
    void close() override;
    State state() const override;
    QString peerAddress() const override;

private:
    void wire();
    void post(std::function<void()> deliver);
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError>& errors);

    TlsPolicy m_policy;
    QSslSocket m_socket;
    quint64 m_connection = 0;
    State m_state = State::Closed;
    bool m_tlsMode = false;
    QString m_certificateProblem;
};

} // namespace mervantic
