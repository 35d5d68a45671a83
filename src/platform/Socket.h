#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace mervantic {

// The one TCP client connection to a POP3 server, as the conversation sees it. Events arrive on
// the GUI thread, each in its own turn of the event loop, never from inside a call the program
// made. A close made by the program never produces closedByPeer, and no event of a connection
// reaches the program after it closed that connection.
class Socket : public QObject {
    Q_OBJECT

public:
    // Handshaking: the TCP connection is made and a TLS handshake runs on it.
    enum class State { Closed, Connecting, Handshaking, Connected };

    // Why a connection failed, so that the user can be told what went wrong: nothing listens
    // there, no such host (the description, when there is one, says why the name could not be
    // looked up), no way to it, no answer, a reset, a secure connection that could not be set
    // up (the description says why), or any other network error (the description says which,
    // in English).
    enum class Failure {
        Refused,
        HostNotFound,
        Unreachable,
        TimedOut,
        Reset,
        Network,
        Tls,
    };
    Q_ENUM(State)
    Q_ENUM(Failure)

    // What kept the last handshake's certificate from being accepted, as far as the user can act
    // on it: a signer or a name that the user may vouch for by trusting the certificate
    // (Unvouched); a certificate other than the one the user trusted, which may be an attack
    // (Changed); dates that trusting cannot mend (OutOfDate); anything else trusting cannot
    // mend either (Other). None: nothing is known against it.
    enum class CertificateTrouble { None, Unvouched, Changed, OutOfDate, Other };

    // Plain TCP (perhaps upgraded later with startTls), or TLS from the first byte.
    enum class Encryption { Plain, Tls };

    using QObject::QObject;

    // Starts connecting. Returns false when the attempt could not even start (for example a
    // port outside 1..65535); no event follows then.
    virtual bool connectToServer(const QString& host, int port, Encryption encryption) = 0;
    virtual void send(const QByteArray& bytes) = 0;
    // Every byte received and not yet read.
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual void close() = 0;
    virtual State state() const = 0;
    virtual QString peerAddress() const = 0;
    // Goes on under TLS on the connection made (after the server agreed to STLS), checking the
    // server's certificate against `host`; tlsStarted() or failed() follows. A socket that
    // cannot reports a TLS failure.
    virtual void startTls(const QString& host) {
        Q_UNUSED(host);
        QMetaObject::invokeMethod(
            this,
            [this] {
                Q_EMIT failed(Failure::Tls,
                              QStringLiteral("this connection cannot go on under TLS"));
            },
            Qt::QueuedConnection);
    }

    // The certificate (DER) the user trusted for the server of the next connection: its TLS is
    // taken with that certificate and no other, whoever signed it. Empty: the authorities
    // decide. Dates are checked either way.
    virtual void setPinnedCertificate(const QByteArray& der) { Q_UNUSED(der); }
    // The certificate (DER) the server presented in the last TLS handshake, trusted or not.
    virtual QByteArray presentedCertificate() const { return {}; }
    // What was wrong with that certificate.
    virtual CertificateTrouble certificateTrouble() const { return CertificateTrouble::None; }

Q_SIGNALS:
    void connected();
    // The connection went on under TLS (startTls), its certificate trusted.
    void tlsStarted();
    void dataArrived();
    void closedByPeer();
    void failed(mervantic::Socket::Failure kind, const QString& description);
};

} // namespace mervantic
