#include "WestonCompositor.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace mervantic::test {

WestonCompositor::WestonCompositor() = default;

WestonCompositor::~WestonCompositor() {
    if (m_weston.state() != QProcess::NotRunning) {
        m_weston.terminate();
        if (!m_weston.waitForFinished(5000))
            m_weston.kill();
        m_weston.waitForFinished(2000);
    }
}

QString WestonCompositor::socket() const {
    return m_runtime.filePath(QStringLiteral("wayland-test"));
}

bool WestonCompositor::start() {
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (weston.isEmpty()) {
        m_why = QStringLiteral("weston is not installed (package weston)");
        return false;
    }
    QFile::setPermissions(m_runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_weston.setProcessEnvironment(env);
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    // Screenshots are for trusted clients only, unless debugging is on.
    m_weston.start(weston, {QStringLiteral("--backend=headless-backend.so"),
                            QStringLiteral("--use-pixman"), QStringLiteral("--debug"),
                            QStringLiteral("--socket=wayland-test"), QStringLiteral("--width=1280"),
                            QStringLiteral("--height=1024"), QStringLiteral("--idle-time=0")});
    if (!m_weston.waitForStarted(5000)) {
        m_why = QStringLiteral("weston did not start");
        return false;
    }
    for (int i = 0; i < 100 && !QFile::exists(socket()); ++i)
        QThread::msleep(50);
    if (!QFile::exists(socket())) {
        m_why = QStringLiteral("weston did not open its socket: ") +
                QString::fromLocal8Bit(m_weston.readAll());
        return false;
    }
    return true;
}

void WestonCompositor::addTo(QProcessEnvironment& environment) const {
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
}

QImage WestonCompositor::screenshot() {
    QTemporaryDir folder;
    QProcess shooter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-test"));
    shooter.setProcessEnvironment(env);
    shooter.setWorkingDirectory(folder.path());
    shooter.start(QStandardPaths::findExecutable(QStringLiteral("weston-screenshooter")), {});
    if (!shooter.waitForFinished(10000))
        return {};
    const QStringList shots = QDir(folder.path()).entryList({QStringLiteral("*.png")});
    return shots.isEmpty() ? QImage() : QImage(folder.filePath(shots.first()));
}

} // namespace mervantic::test
