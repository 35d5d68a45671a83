#include "ScriptedServer.h"

#include <sys/socket.h>

namespace mervantic::test {

ScriptedServer::ScriptedServer(Behaviour behaviour, QObject* parent)
    : QObject(parent)
    , m_behaviour(std::move(behaviour)) {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* peer = m_server.nextPendingConnection()) {
            ++m_connections;
            peer->setParent(this);
            m_behaviour(peer);
        }
    });
}

void ScriptedServer::answerLines(QTcpSocket* peer, std::map<QByteArray, QByteArray> replies,
                                 Special special) {
    connect(peer, &QTcpSocket::readyRead, peer, [peer, replies = std::move(replies), special] {
        while (peer->canReadLine()) {
            const QByteArray line = peer->readLine();
            if (special && special(peer, line))
                return;
            bool answered = false;
            for (const auto& [start, reply] : replies) {
                if (!line.startsWith(start))
                    continue;
                if (reply == "<reset>") {
                    reset(peer);
                    return;
                }
                peer->write(reply);
                answered = true;
                break;
            }
            if (!answered && line.startsWith("CAPA"))
                peer->write("-ERR Unknown command\r\n");
        }
    });
}

void ScriptedServer::reset(QTcpSocket* peer) {
    // A linger time of zero makes the close send a reset.
    const linger noLinger{1, 0};
    ::setsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger,
                 sizeof noLinger);
    peer->abort();
}

} // namespace mervantic::test
