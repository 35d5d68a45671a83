#include "platform/ClientSocket.h"

#include "platform/CertificateFacts.h"
#include "platform/TcpStream.h"

#include <QDir>
#include <QHostAddress>
#include <QMetaObject>
#include <QSslConfiguration>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace mervantic {

namespace {

QList<QSslCertificate> readAuthorities(const QString& file, const QString& folders) {
    QList<QSslCertificate> found;
    if (!file.isEmpty())
        found += QSslCertificate::fromPath(file, QSsl::Pem);
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QDir dir(folder);
        for (const QString& entry : dir.entryList(QDir::Files | QDir::Readable))
            found += QSslCertificate::fromPath(dir.filePath(entry), QSsl::Pem);
    }
    return found;
}

} // namespace

QList<QSslCertificate> authoritiesNamedByEnvironment() {
    // Read once for each naming: many desktops set these to the system's own bundle and
    // folder, hundreds of certificates that every connection would otherwise parse again.
    struct Read {
        QString file;
        QString folders;
        QList<QSslCertificate> authorities;
    };
    thread_local std::optional<Read> last;
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    const QString folders = qEnvironmentVariable("SSL_CERT_DIR");
    if (!last || last->file != file || last->folders != folders)
        last = Read{file, folders, readAuthorities(file, folders)};
    return last->authorities;
}

ClientSocket::ClientSocket(TlsPolicy policy, QObject* parent)
    : Socket(parent)
    , m_policy(std::move(policy)) {}

ClientSocket::~ClientSocket() {
    close();
}

bool ClientSocket::connectToServer(const QString& host, int port, Encryption encryption) {
    close();
    if (port < 1 || port > 65535)
        return false;
    m_state = State::Connecting;
    m_certificateProblem.clear();
    m_trouble = CertificateTrouble::None;
    m_presented.clear();
    const auto port16 = static_cast<quint16>(port);
    if (encryption == Encryption::Tls)
        connectEncrypted(host, port16);
    else
        connectPlain(host, port16);
    return true;
}

void ClientSocket::connectPlain(const QString& host, quint16 port) {
    m_plain = std::make_unique<TcpStream>();
    connect(m_plain.get(), &TcpStream::connected, this, &ClientSocket::reportConnected);
    connect(m_plain.get(), &TcpStream::readyRead, this, &ClientSocket::onReadyRead);
    connect(m_plain.get(), &TcpStream::disconnected, this, &ClientSocket::reportClosedByPeer);
    connect(m_plain.get(), &TcpStream::errorOccurred, this, &ClientSocket::reportStreamFailure);

    const QHostAddress literal(host);
    if (!literal.isNull()) {
        m_plain->connectTo({literal}, port);
        return;
    }
    const quint64 connection = m_connection;
    QHostInfo::lookupHost(host, this, [this, connection, port](const QHostInfo& info) {
        if (connection == m_connection)
            onHostFound(info, port);
    });
}

void ClientSocket::onHostFound(const QHostInfo& info, quint16 port) {
    if (info.error() == QHostInfo::HostNotFound ||
        (info.error() == QHostInfo::NoError && info.addresses().isEmpty())) {
        reportFailure(Failure::HostNotFound, QString());
        return;
    }
    if (info.error() != QHostInfo::NoError) {
        reportFailure(Failure::HostNotFound,
                      QStringLiteral("the host name could not be looked up (") +
                          info.errorString() + QLatin1Char(')'));
        return;
    }
    m_plain->connectTo(info.addresses(), port);
}

QSslSocket* ClientSocket::makeTlsSocket() {
    m_tls = std::make_unique<QSslSocket>();
    QSslSocket* tls = m_tls.get();
    connect(tls, &QSslSocket::encrypted, this, [this] {
        m_presented = m_tls->peerCertificate().toDer();
        // A certificate the authorities vouch for is still not the one the user pinned.
        if (!m_pinned.isEmpty() && m_presented != m_pinned) {
            m_trouble = CertificateTrouble::Changed;
            reportFailure(Failure::Tls, pinMismatch());
            return;
        }
        if (m_upgrading) {
            m_upgrading = false;
            m_state = State::Connected;
            Q_EMIT tlsStarted();
        } else {
            reportConnected();
        }
    });
    connect(tls, &QIODevice::readyRead, this, &ClientSocket::onReadyRead);
    connect(tls, &QAbstractSocket::disconnected, this, &ClientSocket::onTlsDisconnected);
    connect(tls, &QAbstractSocket::errorOccurred, this, &ClientSocket::onTlsError);
    connect(tls, &QSslSocket::sslErrors, this, &ClientSocket::onSslErrors);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> named = authoritiesNamedByEnvironment();
    if (!named.isEmpty())
        configuration.addCaCertificates(named);
    if (!m_policy.extraAuthorities.isEmpty())
        configuration.addCaCertificates(m_policy.extraAuthorities);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    tls->setSslConfiguration(configuration);
    return tls;
}

void ClientSocket::connectEncrypted(const QString& host, quint16 port) {
    QSslSocket* tls = makeTlsSocket();
    connect(tls, &QAbstractSocket::connected, this, [this] {
        m_state = State::Handshaking;
        closeTlsWatch();
        m_tlsWatch = ::dup(static_cast<int>(m_tls->socketDescriptor()));
    });
    tls->connectToHostEncrypted(host, port);
    tls->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void ClientSocket::startTls(const QString& host) {
    const int fd = m_plain && m_state == State::Connected ? m_plain->releaseDescriptor() : -1;
    if (fd < 0) {
        reportFailure(Failure::Tls, QStringLiteral("the connection could not go on under TLS"));
        return;
    }
    // The plain stream may be the one whose signal is being handled: it goes from the loop.
    TcpStream* retired = m_plain.release();
    retired->disconnect(this);
    retired->deleteLater();
    QSslSocket* tls = makeTlsSocket();
    m_upgrading = true;
    m_state = State::Handshaking;
    m_certificateProblem.clear();
    m_trouble = CertificateTrouble::None;
    m_presented.clear();
    closeTlsWatch();
    m_tlsWatch = ::dup(fd);
    if (!tls->setSocketDescriptor(fd, QAbstractSocket::ConnectedState)) {
        ::close(fd);
        reportFailure(Failure::Tls, QStringLiteral("the connection could not go on under TLS"));
        return;
    }
    tls->setPeerVerifyName(host);
    tls->startClientEncryption();
}

void ClientSocket::onTlsDisconnected() {
    tcp_info info{};
    socklen_t length = sizeof info;
    const bool reset = m_tlsWatch >= 0 &&
                       ::getsockopt(m_tlsWatch, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
                       info.tcpi_state == TCP_CLOSE;
    closeTlsWatch();
    if (reset)
        reportFailure(Failure::Reset, describe(ECONNRESET));
    else
        reportClosedByPeer();
}

void ClientSocket::closeTlsWatch() {
    if (m_tlsWatch >= 0)
        ::close(m_tlsWatch);
    m_tlsWatch = -1;
}

void ClientSocket::onTlsError(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // An orderly close (or a reset) by the peer is reported by disconnected(), except when
        // it cuts the handshake short.
        if (m_tls->isEncrypted())
            return;
        reportFailure(Failure::Tls,
                      QStringLiteral("the server closed the connection during the TLS handshake"));
        return;
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        reportFailure(Failure::Refused, describe(ECONNREFUSED));
        return;
    case QAbstractSocket::HostNotFoundError:
        reportFailure(Failure::HostNotFound, QString());
        return;
    case QAbstractSocket::SocketTimeoutError:
        reportFailure(Failure::TimedOut, describe(ETIMEDOUT));
        return;
    case QAbstractSocket::NetworkError:
        reportFailure(Failure::Network, m_tls->errorString());
        return;
    default:
        break;
    }
    if (m_tls->isEncrypted()) {
        reportFailure(Failure::Network, m_tls->errorString());
        return;
    }
    reportFailure(Failure::Tls, m_certificateProblem.isEmpty()
                                    ? handshakeFailure(m_tls->errorString())
                                    : m_certificateProblem);
}

QString ClientSocket::handshakeFailure(const QString& library) {
    const QString start = QStringLiteral("the secure connection could not be set up: ");
    // The TLS library's words name what it met; the user needs what it means.
    const char* const plainText =
        "the server does not speak TLS on this port, it answered in plain text (the port may "
        "expect STARTTLS or no encryption: choose the security that fits the port)";
    const char* const tooOld =
        "the server offers only a TLS version too old for this computer to accept";
    const struct {
        const char* said;
        const char* means;
    } known[] = {
        {"wrong version number", plainText},
        {"packet length too long", plainText},
        {"unsupported protocol", tooOld},
        {"no protocols available", tooOld},
        {"handshake failure",
         "the server refused the TLS handshake (no TLS version or cipher in common)"},
        {"alert", "the server broke off the TLS handshake"},
    };
    for (const auto& [said, means] : known) {
        if (library.contains(QLatin1String(said), Qt::CaseInsensitive))
            return start + QLatin1String(means);
    }
    // Qt's own words with nothing after them: the handshake simply ended.
    const QString detail = library.section(QLatin1Char(':'), 1).trimmed();
    if (library.isEmpty() || (library.contains(QLatin1Char(':')) && detail.isEmpty()))
        return start + QStringLiteral("the server ended the TLS handshake without saying why");
    return start + QStringLiteral("the TLS library says \"") + library + QLatin1Char('"');
}

bool ClientSocket::signerNotTrusted(QSslError::SslError error) {
    switch (error) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

void ClientSocket::onSslErrors(const QList<QSslError>& errors) {
    m_presented = m_tls->peerCertificate().toDer();
    if (m_pinned.isEmpty()) {
        m_certificateProblem = certificateProblem(errors);
        m_trouble = troubleOf(errors);
        return;
    }
    if (m_presented != m_pinned) {
        m_certificateProblem = pinMismatch();
        m_trouble = CertificateTrouble::Changed;
        // Out of its dates, the new certificate could not be trusted either: that is what the
        // user can act on.
        QList<QSslError> dates;
        for (const QSslError& error : errors) {
            if (error.error() == QSslError::CertificateExpired ||
                error.error() == QSslError::CertificateNotYetValid)
                dates << error;
        }
        if (!dates.isEmpty()) {
            m_certificateProblem = certificateProblem(dates) + QStringLiteral("; ") + pinMismatch();
            m_trouble = CertificateTrouble::OutOfDate;
        }
        return;
    }
    // The user vouched for this very certificate: who signed it, and the name it holds, no
    // longer matter. Its dates and a revocation still do.
    QList<QSslError> remaining;
    for (const QSslError& error : errors) {
        if (error.error() != QSslError::HostNameMismatch && !signerNotTrusted(error.error()))
            remaining << error;
    }
    if (remaining.isEmpty()) {
        m_tls->ignoreSslErrors(errors);
    } else {
        m_certificateProblem = certificateProblem(remaining);
        m_trouble = troubleOf(remaining);
    }
}

Socket::CertificateTrouble ClientSocket::troubleOf(const QList<QSslError>& errors) {
    bool unvouched = false;
    for (const QSslError& error : errors) {
        switch (error.error()) {
        case QSslError::CertificateExpired:
        case QSslError::CertificateNotYetValid:
            return CertificateTrouble::OutOfDate;
        case QSslError::HostNameMismatch:
            unvouched = true;
            break;
        default:
            if (!signerNotTrusted(error.error()))
                return CertificateTrouble::Other;
            unvouched = true;
            break;
        }
    }
    return unvouched ? CertificateTrouble::Unvouched : CertificateTrouble::None;
}

QString ClientSocket::pinMismatch() const {
    return QStringLiteral("the server's certificate is not the one trusted for it (trusted: "
                          "SHA-256 %1; presented: SHA-256 %2)")
        .arg(sha256Fingerprint(m_pinned), sha256Fingerprint(m_presented));
}

QString ClientSocket::certificateProblem(const QList<QSslError>& errors) {
    QStringList words;
    for (const QSslError& error : errors) {
        QString text;
        switch (signerNotTrusted(error.error()) ? QSslError::CertificateUntrusted : error.error()) {
        case QSslError::CertificateUntrusted:
        case QSslError::CertificateRejected:
            text = QStringLiteral(
                "the certificate is not signed by an authority this computer trusts");
            break;
        case QSslError::HostNameMismatch:
            text = QStringLiteral("the certificate is for another server name");
            break;
        case QSslError::CertificateExpired:
            text = QStringLiteral("the certificate has expired");
            break;
        case QSslError::CertificateNotYetValid:
            text = QStringLiteral("the certificate is not valid yet");
            break;
        case QSslError::CertificateRevoked:
            text = QStringLiteral("the certificate has been revoked");
            break;
        default:
            text = QStringLiteral("the certificate was refused (") + error.errorString() +
                   QLatin1Char(')');
            break;
        }
        if (!words.contains(text))
            words << text;
    }
    return words.join(QStringLiteral("; "));
}

ClientSocket::Failure ClientSocket::failureOf(int error) {
    switch (error) {
    case ECONNREFUSED:
        return Failure::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return Failure::Unreachable;
    case ETIMEDOUT:
        return Failure::TimedOut;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return Failure::Reset;
    default:
        return Failure::Network;
    }
}

QString ClientSocket::describe(int error) {
    // glibc's own English texts: strerror() follows the locale the program set.
    const char* text = ::strerrordesc_np(error);
    return text != nullptr ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(error);
}

void ClientSocket::reportStreamFailure(int error) {
    reportFailure(failureOf(error), describe(error));
}

void ClientSocket::reportConnected() {
    m_state = State::Connected;
    Q_EMIT connected();
}

void ClientSocket::onReadyRead() {
    if (m_state == State::Connected)
        Q_EMIT dataArrived();
}

void ClientSocket::reportClosedByPeer() {
    post([this] {
        if (m_state == State::Closed)
            return;
        m_state = State::Closed;
        Q_EMIT closedByPeer();
    });
}

void ClientSocket::reportFailure(Failure kind, const QString& description) {
    post([this, kind, description] {
        if (m_state == State::Closed)
            return;
        m_state = State::Closed;
        Q_EMIT failed(kind, description);
    });
}

void ClientSocket::post(std::function<void()> deliver) {
    const quint64 connection = m_connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection, deliver = std::move(deliver)] {
            if (connection == m_connection)
                deliver();
        },
        Qt::QueuedConnection);
}

void ClientSocket::send(const QByteArray& bytes) {
    if (m_state != State::Connected)
        return;
    if (m_plain) {
        m_plain->write(bytes);
    } else if (m_tls) {
        m_tls->write(bytes);
        m_tls->flush();
    }
}

QByteArray ClientSocket::readAll() {
    if (m_plain)
        return m_plain->readAll();
    return m_tls ? m_tls->readAll() : QByteArray();
}

qint64 ClientSocket::bytesAvailable() const {
    if (m_plain)
        return m_plain->bytesAvailable();
    return m_tls ? m_tls->bytesAvailable() : 0;
}

void ClientSocket::close() {
    ++m_connection;
    m_state = State::Closed;
    m_upgrading = false;
    // Nothing the connection says from here on is an event of the program's. Its own signal may
    // still be on the stack (the conversation closes from inside a data event), so the object is
    // deleted later, from the event loop.
    if (m_plain) {
        TcpStream* retired = m_plain.release();
        retired->disconnect(this);
        retired->abort();
        retired->deleteLater();
    }
    if (m_tls) {
        QSslSocket* retired = m_tls.release();
        retired->disconnect(this);
        retired->abort();
        retired->deleteLater();
    }
    closeTlsWatch();
}

Socket::State ClientSocket::state() const {
    return m_state;
}

QString ClientSocket::peerAddress() const {
    if (m_plain)
        return m_plain->peerAddress().toString();
    return m_tls ? m_tls->peerAddress().toString() : QString();
}

} // namespace mervantic
