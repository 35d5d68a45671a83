#include "PrivateBus.h"

#include <QFile>
#include <QStandardPaths>

namespace mervantic::test {

PrivateBus::PrivateBus() = default;

PrivateBus::~PrivateBus() {
    for (const QString& name : {QStringLiteral("test"), QStringLiteral("client"),
                                QStringLiteral("server"), QStringLiteral("host")})
        QDBusConnection::disconnectFromBus(name + QLatin1Char('@') + m_address);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }
}

bool PrivateBus::start() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_why = QStringLiteral("dbus-daemon is not installed (package dbus)");
        return false;
    }
    // A session bus that lets anyone in, with nothing of the machine's own configuration.
    const QString config = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir=" +
               m_folder.path().toUtf8() +
               "</listen><auth>EXTERNAL</auth>"
               "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    file.close();
    m_daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) {
        m_why = QStringLiteral("dbus-daemon did not start");
        return false;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return !m_address.isEmpty();
}

QDBusConnection PrivateBus::connection(const QString& name) const {
    return QDBusConnection::connectToBus(m_address, name + QLatin1Char('@') + m_address);
}

void PrivateBus::addTo(QProcessEnvironment& environment, bool system) const {
    environment.insert(system ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")
                              : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       m_address);
}

} // namespace mervantic::test
