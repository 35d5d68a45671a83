#include "platform/SslSocket.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QSslConfiguration>

namespace mervantic {

SslSocket::SslSocket(TlsPolicy policy, QObject* parent)
    : Socket(parent)
    , m_policy(std::move(policy)) {
    wire();
}

SslSocket::~SslSocket() {
    const QSignalBlocker blocker(&m_socket);
    m_socket.abort();
}

void SslSocket::wire() {
    connect(&m_socket, &QAbstractSocket::connected, this, [this] {
        if (!m_tlsMode)
            post([this] {
                m_state = State::Connected;
                Q_EMIT connected();
            });
    });
    connect(&m_socket, &QSslSocket::encrypted, this, [this] {
        post([this] {
            m_state = State::Connected;
            Q_EMIT connected();
        });
    });
    connect(&m_socket, &QIODevice::readyRead, this,
            [this] { post([this] { Q_EMIT dataArrived(); }); });
    connect(&m_socket, &QAbstractSocket::disconnected, this, [this] {
        post([this] {
            if (m_state == State::Closed)
                return;
            m_state = State::Closed;
            Q_EMIT closedByPeer();
        });
    });
    connect(&m_socket, &QAbstractSocket::errorOccurred, this, &SslSocket::onSocketError);
    connect(&m_socket, &QSslSocket::sslErrors, this, &SslSocket::onSslErrors);
}

void SslSocket::post(std::function<void()> deliver) {
    const quint64 connection = m_connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection, deliver = std::move(deliver)] {
            if (connection == m_connection)
                deliver();
        },
        Qt::QueuedConnection);
}

void SslSocket::onSocketError(QAbstractSocket::SocketError error) {
    Failure kind = Failure::Network;
    QString description = m_socket.errorString();
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // An orderly close (or a reset) by the peer is reported by disconnected(), except when
        // it cuts a TLS handshake short.
        if (!m_tlsMode || m_socket.isEncrypted())
            return;
        kind = Failure::Tls;
        description = QStringLiteral("the server closed the connection during the TLS handshake");
    } else if (m_tlsMode && !m_socket.isEncrypted() &&
               error != QAbstractSocket::ConnectionRefusedError &&
               error != QAbstractSocket::HostNotFoundError &&
               error != QAbstractSocket::NetworkError &&
               error != QAbstractSocket::SocketTimeoutError) {
        kind = Failure::Tls;
        if (!m_certificateProblem.isEmpty())
            description = m_certificateProblem;
    }
    post([this, kind, description] {
        if (m_state == State::Closed)
            return;
        m_state = State::Closed;
        Q_EMIT failed(kind, description);
    });
}

void SslSocket::onSslErrors(const QList<QSslError>& errors) {
    QStringList texts;
    for (const QSslError& error : errors)
        texts << error.errorString();
    m_certificateProblem = texts.join(QStringLiteral("; "));
}

bool SslSocket::connectToServer(const QString& host, int port) {
    close();
    if (port < 1 || port > 65535)
        return false;
    m_state = State::Connecting;
    m_certificateProblem.clear();
    m_tlsMode = m_policy.implicitTls && m_policy.implicitTls(port);
    const auto port16 = static_cast<quint16>(port);
    if (m_tlsMode) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        if (!m_policy.extraAuthorities.isEmpty())
            configuration.addCaCertificates(m_policy.extraAuthorities);
        configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
        m_socket.setSslConfiguration(configuration);
        m_socket.connectToHostEncrypted(host, port16);
    } else {
        m_socket.connectToHost(host, port16);
    }
    return true;
}

void SslSocket::send(const QByteArray& bytes) {
    if (m_state == State::Connected)
        m_socket.write(bytes);
}

QByteArray SslSocket::readAll() {
    return m_socket.readAll();
}

qint64 SslSocket::bytesAvailable() const {
    return m_socket.bytesAvailable();
}

void SslSocket::close() {
    {
        // Nothing the socket says while the program closes it is an event of the connection.
        const QSignalBlocker blocker(&m_socket);
        m_socket.abort();
    }
    ++m_connection;
    m_state = State::Closed;
    m_tlsMode = false;
}

Socket::State SslSocket::state() const {
    return m_state;
}

QString SslSocket::peerAddress() const {
    return m_socket.peerAddress().toString();
}

} // namespace mervantic
