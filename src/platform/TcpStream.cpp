#include "platform/TcpStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mervantic {

namespace {

bool fillAddress(const QHostAddress& address, quint16 port, sockaddr_storage& storage,
                 socklen_t& length) {
    std::memset(&storage, 0, sizeof storage);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
        return true;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
        in6->sin6_scope_id = address.scopeId().toUInt();
        length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

} // namespace

TcpStream::TcpStream(QObject* parent)
    : QObject(parent) {}

TcpStream::~TcpStream() {
    closeDescriptor();
}

void TcpStream::connectTo(QList<QHostAddress> addresses, quint16 port) {
    abort();
    m_addresses = std::move(addresses);
    m_port = port;
    m_lastError = ECONNREFUSED;
    tryNextAddress();
}

void TcpStream::tryNextAddress() {
    closeDescriptor();
    while (!m_addresses.isEmpty()) {
        const QHostAddress address = m_addresses.takeFirst();
        sockaddr_storage storage;
        socklen_t length = 0;
        if (!fillAddress(address, m_port, storage, length))
            continue;
        m_fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_fd < 0) {
            m_lastError = errno;
            continue;
        }
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_peer = address;
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&storage), length) == 0 ||
            errno == EINPROGRESS) {
            // Writable once the connection is made or has failed.
            m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
            connect(m_writeNotifier.get(), &QSocketNotifier::activated, this,
                    &TcpStream::onWritable);
            return;
        }
        m_lastError = errno;
        closeDescriptor();
    }
    fail(m_lastError);
}

void TcpStream::onWritable() {
    if (!m_connected) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            m_lastError = error;
            tryNextAddress();
            return;
        }
        m_connected = true;
        m_writeNotifier->setEnabled(false);
        m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &TcpStream::onReadable);
        Q_EMIT connected();
        return;
    }
    flushPending();
}

void TcpStream::write(const QByteArray& bytes) {
    if (!m_connected)
        return;
    if (m_pending.isEmpty()) {
        // The usual case: a short command the kernel takes whole.
        ssize_t sent;
        do {
            sent = ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            fail(errno);
            return;
        }
        if (sent == bytes.size())
            return;
        m_pending = bytes.sliced(std::max<ssize_t>(sent, 0));
    } else {
        m_pending.append(bytes);
    }
    flushPending();
}

void TcpStream::flushPending() {
    while (!m_pending.isEmpty()) {
        const ssize_t sent = ::send(m_fd, m_pending.constData(),
                                    static_cast<size_t>(m_pending.size()), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            fail(errno);
            return;
        }
        m_pending.remove(0, sent);
    }
    // Only a command the kernel could not take at once needs the write notifier.
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void TcpStream::onReadable() {
    qsizetype readNow = 0;
    bool peerClosed = false;
    int error = 0;
    char buffer[65536];
    while (readNow < kReadSlice) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            m_received.append(buffer, got);
            readNow += got;
            // A short read means the kernel had no more; the notifier tells when there is.
            if (static_cast<std::size_t>(got) < sizeof buffer)
                break;
            continue;
        }
        if (got == 0) {
            peerClosed = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        // A reset or any other receive failure is an error, not an orderly end of the stream.
        error = errno;
        break;
    }
    if (readNow > 0)
        Q_EMIT readyRead();
    // What was read is handed over first; the reader may have closed the stream meanwhile.
    if (error != 0 && m_fd >= 0) {
        fail(error);
        return;
    }
    if (peerClosed && m_fd >= 0) {
        m_readNotifier->setEnabled(false);
        m_connected = false;
        Q_EMIT disconnected();
    }
}

QByteArray TcpStream::readAll() {
    return std::exchange(m_received, {});
}

void TcpStream::fail(int error) {
    closeDescriptor();
    Q_EMIT errorOccurred(error);
}

void TcpStream::abort() {
    closeDescriptor();
    m_addresses.clear();
    m_received.clear();
    m_pending.clear();
}

int TcpStream::releaseDescriptor() {
    if (m_fd < 0 || !m_connected || !m_received.isEmpty() || !m_pending.isEmpty())
        return -1;
    const int fd = m_fd;
    m_fd = -1;
    closeDescriptor();
    return fd;
}

void TcpStream::closeDescriptor() {
    // The notifier may be the one whose signal is being handled: it goes from the event loop.
    for (auto* notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            notifier->release()->deleteLater();
        }
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connected = false;
}

} // namespace mervantic
