#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervantic {

namespace {

constexpr QByteArrayView kShow = "show\n";
constexpr int kWaitMs = 2000;
// A local socket's path is short (108 bytes on Linux).
constexpr qsizetype kLongestSocketPath = 100;

// The user's runtime folder, when it is there and theirs alone.
QString privateRuntimeFolder() {
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (folder.isEmpty() || ::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return {};
    return QFile::decodeName(folder);
}

} // namespace

SingleInstance::Address SingleInstance::socketFor(const QString& dataFolder) {
    const QString beside = dataFolder + QStringLiteral("/mervantic.socket");
    if (QFile::encodeName(beside).size() <= kLongestSocketPath)
        return {beside, false};
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(QDir(dataFolder).absolutePath()),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    const QString runtime = privateRuntimeFolder();
    const QString inRuntime = runtime + QStringLiteral("/mervantic-%1.socket").arg(key);
    if (!runtime.isEmpty() && QFile::encodeName(inRuntime).size() <= kLongestSocketPath)
        return {inRuntime, false};
    // Any user can reach an abstract socket: both ends check who is at the other.
    return {QStringLiteral("mervantic-%1-%2").arg(::getuid()).arg(key), true};
}

bool SingleInstance::peerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &length) == 0 &&
           peer.uid == ::getuid();
}

bool SingleInstance::processOfAnotherUser(qint64 pid) {
    struct stat process {};
    const QByteArray path = "/proc/" + QByteArray::number(pid);
    return ::stat(path.constData(), &process) == 0 && process.st_uid != ::getuid();
}

SingleInstance::Lock SingleInstance::acquire(const QString& dataFolder) {
    m_dataFolder = dataFolder;
    const QString path = dataFolder + QLatin1Char('/') + QLatin1String(kLockName);
    // A lock is a few bytes of one regular file: anything else is no lock of the program's, and
    // reading it could block (a FIFO), never end (a device) or take the memory of its size.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_failure = path + QStringLiteral(" Is Not A Regular File, So Mervantic Cannot Tell "
                                          "Whether It Already Runs: Remove It");
        return Lock::Failed;
    }
    if (info.exists() && info.size() > kLargestLock) {
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(path, aside)) {
            m_failure = path + QStringLiteral(" Is Damaged (%1 Bytes) And Could Not Be Set Aside: "
                                              "Remove It")
                                   .arg(info.size());
            return Lock::Failed;
        }
    }
    m_lock = std::make_unique<QLockFile>(path);
    // Only a lock whose process has died is stale, however old.
    m_lock->setStaleLockTime(0);
    bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError) {
        // A lock that names no process (cut short by a crash), or a process of another user
        // (its number reused since a crash), is no copy of the program at work here.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!m_lock->getLockInfo(&pid, &host, &application) ||
            (host == QSysInfo::machineHostName() && processOfAnotherUser(pid))) {
            if (m_lock->removeStaleLockFile())
                locked = m_lock->tryLock(0);
        }
    }
    if (locked) {
        // Private like the other files of the folder.
        ::chmod(QFile::encodeName(path).constData(), 0600);
        listen();
        return Lock::Acquired;
    }
    if (m_lock->error() == QLockFile::LockFailedError)
        return Lock::HeldByAnother;
    // Why, as the system says it: a read-only folder, a full disk, no permission.
    QString cause = m_lock->error() == QLockFile::PermissionError
                        ? QStringLiteral("Permission Denied")
                        : QStringLiteral("Unknown Error");
    const QByteArray probePath = QFile::encodeName(path + QStringLiteral(".probe"));
    const int probe = ::open(probePath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const char bytes[64] = {};
    if (probe < 0 || ::write(probe, bytes, sizeof bytes) != sizeof bytes || ::fsync(probe) != 0)
        cause = QString::fromLocal8Bit(::strerror(errno));
    if (probe >= 0) {
        ::close(probe);
        ::unlink(probePath.constData());
    }
    m_failure = path + QStringLiteral(" Could Not Be Made Or Read (%1), So Mervantic Cannot Tell "
                                      "Whether It Already Runs")
                           .arg(cause);
    return Lock::Failed;
}

void SingleInstance::listen() {
    m_server = std::make_unique<QLocalServer>();
    const Address address = socketFor(m_dataFolder);
    m_server->setSocketOptions(address.abstract ? QLocalServer::AbstractNamespaceOption
                                                : QLocalServer::UserAccessOption);
    // What is there is left by a copy that died: the lock is ours.
    if (!address.abstract)
        QLocalServer::removeServer(address.name);
    if (!m_server->listen(address.name)) {
        m_listenFailure = QStringLiteral("A later start cannot bring this window back: %1 (%2)")
                              .arg(address.name, m_server->errorString());
        return;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (!peerIsThisUser(*peer)) {
                peer->abort();
                peer->deleteLater();
                continue;
            }
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
    const Address address = socketFor(m_dataFolder);
    QLocalSocket holder;
    if (address.abstract)
        holder.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    holder.connectToServer(address.name);
    if (!holder.waitForConnected(kWaitMs) || !peerIsThisUser(holder))
        return false;
    holder.write(kShow.toByteArray());
    return holder.waitForBytesWritten(kWaitMs);
}

} // namespace mervantic
