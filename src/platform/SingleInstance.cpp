#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include <unistd.h>

namespace mervantic {

namespace {

constexpr QByteArrayView kShow = "show\n";
constexpr int kWaitMs = 2000;
// A local socket's path is short (108 bytes on Linux); one that would not fit lies in the
// temporary folder, named for the data folder and the user.
constexpr qsizetype kLongestSocketPath = 100;

} // namespace

QString SingleInstance::socketFor(const QString& dataFolder) {
    const QString beside = dataFolder + QStringLiteral("/mervantic.socket");
    if (QFile::encodeName(beside).size() <= kLongestSocketPath)
        return beside;
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(QDir(dataFolder).absolutePath()),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return QDir::tempPath() +
           QStringLiteral("/mervantic-%1-%2.socket").arg(::getuid()).arg(QString::fromLatin1(key));
}

bool SingleInstance::acquire(const QString& dataFolder) {
    m_dataFolder = dataFolder;
    m_lock = std::make_unique<QLockFile>(dataFolder + QLatin1Char('/') + QLatin1String(kLockName));
    // Only a lock whose process has died is stale, however old.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
        return false;
    listen();
    return true;
}

void SingleInstance::listen() {
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketFor(m_dataFolder);
    // What is there is left by a copy that died: the lock is ours.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path))
        return;
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().startsWith(kShow.toByteArray()))
                    Q_EMIT showRequested();
                peer->disconnectFromServer();
            });
        }
    });
}

bool SingleInstance::askToShow() {
    // The second copy has no window and nothing else to do: it may wait a moment.
    QLocalSocket holder;
    holder.connectToServer(socketFor(m_dataFolder));
    if (!holder.waitForConnected(kWaitMs))
        return false;
    holder.write(kShow.toByteArray());
    return holder.waitForBytesWritten(kWaitMs);
}

} // namespace mervantic
