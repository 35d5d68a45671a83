#pragma once

#include "platform/Socket.h"

#include <QHostInfo>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QSslSocket>

#include <functional>
#include <memory>

namespace mervantic {

class TcpStream;

// Which extra authorities are trusted. The product uses the default: certificates checked
// against the system's trust store and the server name. Tests add their own authority here.
// The authorities SSL_CERT_FILE (a PEM file) and SSL_CERT_DIR (folders, separated by ':') name,
// as OpenSSL programs take them: trusted beside the system's, so that a private authority can be
// trusted without adding it to the system as root.
QList<QSslCertificate> authoritiesNamedByEnvironment();

struct TlsPolicy {
    QList<QSslCertificate> extraAuthorities;
};

// The real socket. An encrypted connection runs over a QSslSocket, a plain one over a lean
// TcpStream; a fresh one for every connection, so that a conversation which moves on to the next
// account from inside a data event never reuses the object whose signal is still being emitted.
// Data and the connection itself are reported as they happen; a close by the peer and a failure
// are re-posted to the event loop, stamped with their connection, so that nothing of a closed
// connection reaches the next one.
class ClientSocket final : public Socket {
    Q_OBJECT

public:
    explicit ClientSocket(TlsPolicy policy = {}, QObject* parent = nullptr);
    ~ClientSocket() override;

    bool connectToServer(const QString& host, int port, Encryption encryption) override;
    void send(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override;
    void close() override;
    State state() const override;
    QString peerAddress() const override;
    void startTls(const QString& host) override;
    void setPinnedCertificate(const QByteArray& der) override { m_pinned = der; }
    QByteArray presentedCertificate() const override { return m_presented; }
    CertificateTrouble certificateTrouble() const override { return m_trouble; }

private:
    // The handshake's certificate errors, less what a pinned certificate answers for.
    void onSslErrors(const QList<QSslError>& errors);
    // A pinned certificate that is not the one presented, in words naming both.
    QString pinMismatch() const;
    // The encrypted socket with its signals and the trust of its certificate.
    QSslSocket* makeTlsSocket();
    void connectPlain(const QString& host, quint16 port);
    void connectEncrypted(const QString& host, quint16 port);
    void onHostFound(const QHostInfo& info, quint16 port);
    void onReadyRead();
    void reportConnected();
    void reportClosedByPeer();
    // The encrypted connection ended: a reset is a failure, an orderly close is not.
    void onTlsDisconnected();
    void closeTlsWatch();
    void reportFailure(Failure kind, const QString& description);
    void reportStreamFailure(int error);
    void onTlsError(QAbstractSocket::SocketError error);
    void post(std::function<void()> deliver);
    // What is wrong with the server's certificate, in plain words.
    static QString certificateProblem(const QList<QSslError>& errors);
    // Whether trusting the certificate could answer for these errors.
    static CertificateTrouble troubleOf(const QList<QSslError>& errors);
    // The error says no trusted authority signed the certificate (which a pin answers for).
    static bool signerNotTrusted(QSslError::SslError error);

public:
    // The kind of failure an errno value of a connection stands for, and its description in
    // English whatever the locale (the user's language is not the log's).
    static Failure failureOf(int error);
    static QString describe(int error);
    // Why a handshake failed that was no certificate's fault, in plain words rather than the TLS
    // library's ("error:0A00010B:SSL routines::wrong version number").
    static QString handshakeFailure(const QString& library);

    TlsPolicy m_policy;
    std::unique_ptr<TcpStream> m_plain;
    std::unique_ptr<QSslSocket> m_tls;
    // A second descriptor of the encrypted connection's TCP socket, to tell a reset from an
    // orderly close once Qt has read the end of the stream (it reports both alike).
    int m_tlsWatch = -1;
    // A plain connection going on under TLS: its handshake's end is not a new connection.
    bool m_upgrading = false;
    quint64 m_connection = 0;
    State m_state = State::Closed;
    QString m_certificateProblem;
    CertificateTrouble m_trouble = CertificateTrouble::None;
    QByteArray m_pinned;
    QByteArray m_presented;
};

} // namespace mervantic
