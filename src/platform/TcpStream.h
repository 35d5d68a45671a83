#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace mervantic {

// A plain TCP client connection on a non-blocking socket, watched by notifiers that stay
// switched on for the life of the connection. Qt's own sockets switch their notifiers off and
// on around every read and write, and each switch wakes the event loop: for a conversation of
// ten thousand short request-reply exchanges that doubles the cost of the program's side.
class TcpStream final : public QObject {
    Q_OBJECT

public:
    // Bytes read in one turn of the event loop before the others get their turn.
    static constexpr qsizetype kReadSlice = 256 * 1024;

    explicit TcpStream(QObject* parent = nullptr);
    ~TcpStream() override;

    // Tries the addresses in turn until one accepts.
    void connectTo(QList<QHostAddress> addresses, quint16 port);
    void write(const QByteArray& bytes);
    QByteArray readAll();
    qint64 bytesAvailable() const { return m_received.size(); }
    void abort();
    // Hands the connected socket over, to go on under TLS: this stream stops watching it and
    // forgets it without closing it. -1 when there is none, or when bytes were received that
    // nobody read (they would be lost to the new owner).
    int releaseDescriptor();
    QHostAddress peerAddress() const { return m_peer; }

Q_SIGNALS:
    void connected();
    void readyRead();
    void disconnected();
    // `error` is the errno value of the failure.
    void errorOccurred(int error);

private:
    void tryNextAddress();
    void onWritable();
    void onReadable();
    void flushPending();
    void fail(int error);
    void closeDescriptor();

    int m_fd = -1;
    bool m_connected = false;
    QList<QHostAddress> m_addresses;
    quint16 m_port = 0;
    QHostAddress m_peer;
    QByteArray m_received;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    int m_lastError = 0;
};

} // namespace mervantic
