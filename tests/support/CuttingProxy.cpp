#include "CuttingProxy.h"

#include "ScriptedServer.h"

#include <QHostAddress>

namespace mervantic::test {

CuttingProxy::CuttingProxy(int serverPort, QByteArray trigger, Cut cut, QObject* parent)
    : QObject(parent)
    , m_serverPort(serverPort)
    , m_trigger(std::move(trigger))
    , m_cut(cut) {
    m_listener.listen(QHostAddress::LocalHost, 0);
    connect(&m_listener, &QTcpServer::newConnection, this, &CuttingProxy::accept);
}

void CuttingProxy::accept() {
    while (QTcpSocket* client = m_listener.nextPendingConnection()) {
        client->setParent(this);
        auto* server = new QTcpSocket(this);
        auto* pending = new QByteArray;
        auto* cut = new bool(false);
        connect(client, &QObject::destroyed, [pending, cut] {
            delete pending;
            delete cut;
        });
        server->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_serverPort));
        connect(server, &QTcpSocket::readyRead, client, [client, server, cut] {
            const QByteArray bytes = server->readAll();
            if (!*cut)
                client->write(bytes);
        });
        connect(server, &QTcpSocket::disconnected, client, [client, cut] {
            if (!*cut)
                client->disconnectFromHost();
        });
        connect(client, &QTcpSocket::readyRead, server, [this, client, server, pending, cut] {
            pending->append(client->readAll());
            qsizetype end;
            while (!*cut && (end = pending->indexOf("\r\n")) >= 0) {
                const QByteArray line = pending->left(end + 2);
                pending->remove(0, end + 2);
                if (!m_armed || !line.startsWith(m_trigger)) {
                    server->write(line);
                    continue;
                }
                *cut = true;
                ++m_cuts;
                server->abort();
                if (m_cut == Cut::Reset)
                    ScriptedServer::reset(client);
            }
        });
    }
}

} // namespace mervantic::test
