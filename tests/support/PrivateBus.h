#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace mervantic::test {

// A D-Bus message bus of the test's own (dbus-daemon), for the desktop services a test plays:
// the notification service, a notification-area host, logind. Programs reach it through their
// environment; the test through connection().
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    // False (with why()) when it cannot run here.
    bool start();
    QString why() const { return m_why; }
    QString address() const { return m_address; }
    // A connection of the test's own, named `name` within the test.
    QDBusConnection connection(const QString& name = QStringLiteral("test")) const;
    // Points a program's session bus (or, with `system`, its system bus) at this bus.
    void addTo(QProcessEnvironment& environment, bool system = false) const;

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QString m_why;
};

} // namespace mervantic::test
