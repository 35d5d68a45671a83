#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalSocket;

namespace mervantic {

// Whether a copy of the program already works on a data folder: a lock file in the folder
// itself, held for the life of the process, so that there is one writer per data folder however
// the program was started (with or without a runtime folder, from two logins). A lock left by a
// process that died is taken over, and so is one naming a process of another user, which cannot
// be a copy of the program working on this user's private folder.
//
// The holder also listens on a local socket bound to the same data folder, so that a second
// start, which ends at once, can first ask it to show its window: a user whose window is hidden
// in a notification area they cannot see still gets it back by starting the program again. The
// socket lies where only the user can reach it, and each end checks that the other is a
// process of the same user.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kLockName = "mervantic.lock";
    // A lock holds a process number, a program and a host name: a larger one is damaged.
    static constexpr qint64 kLargestLock = 4096;

    enum class Lock { Acquired, HeldByAnother, Failed };

    // Acquired: this process now holds the lock of `dataFolder` (and listens for later starts);
    // HeldByAnother: another running copy does; Failed: the lock could not be taken or read,
    // with why in failure().
    Lock acquire(const QString& dataFolder);
    // Asks the copy holding the lock to show its window. False when it could not be reached.
    bool askToShow();

    // Why the lock could not be taken.
    const QString& failure() const { return m_failure; }
    // Why later starts cannot reach this copy; empty while it listens.
    const QString& listenFailure() const { return m_listenFailure; }

    // Where the holder of `dataFolder` listens: beside the data folder, in the user's runtime
    // folder when that path would be too long for a local socket, else an abstract socket
    // named for the user and the folder.
    struct Address {
        QString name;
        bool abstract = false;
    };
    static Address socketFor(const QString& dataFolder);
    // Whether the process at the other end of the local socket is this user's.
    static bool peerIsThisUser(const QLocalSocket& socket);

Q_SIGNALS:
    // A later start asked for the window.
    void showRequested();

private:
    void listen();
    // The process runs here as another user.
    static bool processOfAnotherUser(qint64 pid);

    std::unique_ptr<QLockFile> m_lock;
    QString m_dataFolder;
    QString m_failure;
    QString m_listenFailure;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace mervantic
