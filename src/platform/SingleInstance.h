#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace mervantic {

// Whether a copy of the program already works on a data folder: a lock file in the folder
// itself, held for the life of the process, so that there is one writer per data folder however
// the program was started (with or without a runtime folder, from two logins). A lock left by a
// process that died is taken over.
//
// The holder also listens on a local socket bound to the same data folder, so that a second
// start, which ends at once, can first ask it to show its window: a user whose window is hidden
// in a notification area they cannot see still gets it back by starting the program again.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kLockName = "mervantic.lock";

    // True when this process now holds the lock of `dataFolder` (and listens for later starts);
    // false when another running copy does.
    bool acquire(const QString& dataFolder);
    // Asks the copy holding the lock to show its window. False when it could not be reached.
    bool askToShow();

    // Where the holder of `dataFolder` listens.
    static QString socketFor(const QString& dataFolder);

Q_SIGNALS:
    // A later start asked for the window.
    void showRequested();

private:
    void listen();

    std::unique_ptr<QLockFile> m_lock;
    QString m_dataFolder;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace mervantic
