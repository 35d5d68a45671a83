#pragma once

#include "PrivateBus.h"

#include <QProcess>
#include <QTemporaryDir>

namespace mervantic::test {

// A desktop keyring of the test's own: GNOME Keyring's Secret Service on a private session bus,
// its "login" keyring in a folder of its own. This process's session bus is pointed at it (the
// bus a process uses is chosen once), so one serves the whole test program: shared().
class KeyringDaemon {
public:
    static KeyringDaemon& shared();
    ~KeyringDaemon();

    // False (with why()) when it cannot run here.
    bool start();
    QString why() const { return m_why; }
    const PrivateBus& bus() const { return m_bus; }

    // Locks the login keyring, as a lock screen or the user does. A locked keyring asks for its
    // password through a prompt this desktop does not have, so every request is refused.
    bool lock();
    // Unlocks it with its password, as the log-in does.
    bool unlock();
    // The Secret Service goes away (a desktop without one), and comes back with the keyring as
    // it was, unlocked.
    void stop() { stopDaemon(); }
    bool resume() { return startDaemon(); }

    // What is kept in the keyring under the program's service, by name (through secret-tool).
    QByteArray lookUp(const QString& name);
    // The label the keyring's own window shows for it.
    QString labelOf(const QString& name);

private:
    KeyringDaemon() = default;
    // secret-tool's `command` ("lookup", "search") on the program's secret `name`: its output.
    QByteArray secretTool(const QString& command, const QString& name);
    bool startDaemon();
    void stopDaemon();

    PrivateBus m_bus;
    QTemporaryDir m_home;
    QProcess m_daemon;
    QString m_why;
    bool m_started = false;
};

} // namespace mervantic::test
