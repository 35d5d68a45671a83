#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <map>

namespace mervantic::test {

// A loopback TCP server that misbehaves on purpose, for faults no real POP3 server makes. Each
// accepted connection is handed to the behaviour given at construction.
class ScriptedServer : public QObject {
    Q_OBJECT

public:
    using Behaviour = std::function<void(QTcpSocket* peer)>;

    explicit ScriptedServer(Behaviour behaviour, QObject* parent = nullptr);

    int port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }

    // Answers each command line whose start matches a key with the mapped reply; the reply
    // "<reset>" resets the connection instead. A line `special` accepts is left to it. A CAPA
    // without a key is refused, as a server of old refuses it.
    using Special = std::function<bool(QTcpSocket* peer, const QByteArray& line)>;
    static void answerLines(QTcpSocket* peer, std::map<QByteArray, QByteArray> replies,
                            Special special = {});
    // Closes the connection with a reset rather than an orderly close.
    static void reset(QTcpSocket* peer);

private:
    QTcpServer m_server;
    Behaviour m_behaviour;
    int m_connections = 0;
};

} // namespace mervantic::test
