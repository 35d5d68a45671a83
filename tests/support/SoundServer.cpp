#include "SoundServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

namespace mervantic::test {

SoundServer::SoundServer() = default;

SoundServer::~SoundServer() {
    stopRecording();
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(2000);
        }
    }
}

QProcessEnvironment SoundServer::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("DISPLAY"));
    return env;
}

void SoundServer::addTo(QProcessEnvironment& env) const {
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + m_home.filePath(QStringLiteral("runtime/pulse/native")));
    env.insert(QStringLiteral("PULSE_COOKIE"), m_home.filePath(QStringLiteral("cookie")));
}

bool SoundServer::start() {
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
        m_why =
            QStringLiteral("PulseAudio is not installed (packages pulseaudio, pulseaudio-utils)");
        return false;
    }
    const QString runtime = m_home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_server.setProcessEnvironment(environment());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(pulseaudio,
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("-n"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--load=module-null-sink sink_name=heard"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1"),
                    QStringLiteral("--load=module-always-sink")});
    if (!m_server.waitForStarted(5000)) {
        m_why = QStringLiteral("pulseaudio did not start");
        return false;
    }
    const QString socket = runtime + QStringLiteral("/pulse/native");
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    if (!QFile::exists(socket)) {
        m_why = QStringLiteral("pulseaudio did not open its socket: ") +
                QString::fromLocal8Bit(m_server.readAll());
        return false;
    }
    return true;
}

bool SoundServer::startRecording() {
    m_recorded.clear();
    QProcessEnvironment env = environment();
    addTo(env);
    m_recorder.setProcessEnvironment(env);
    m_recorder.start(QStandardPaths::findExecutable(QStringLiteral("parec")),
                     {QStringLiteral("--device=heard.monitor"), QStringLiteral("--raw"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                      QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--latency-msec=20")});
    if (!m_recorder.waitForStarted(5000))
        return false;
    // The recorder is listening once its first silence arrives.
    for (int i = 0; i < 100 && m_recorder.bytesAvailable() == 0; ++i)
        m_recorder.waitForReadyRead(50);
    return m_recorder.bytesAvailable() > 0;
}

QByteArray SoundServer::recordedSoFar() {
    m_recorded += m_recorder.readAll();
    return m_recorded;
}

QByteArray SoundServer::stopRecording() {
    if (m_recorder.state() == QProcess::NotRunning)
        return {};
    QByteArray recorded = std::exchange(m_recorded, {}) + m_recorder.readAll();
    m_recorder.terminate();
    m_recorder.waitForFinished(5000);
    recorded += m_recorder.readAll();
    return recorded;
}

int SoundServer::loudSamples(const QByteArray& recording, int threshold) {
    int loud = 0;
    for (qsizetype i = 0; i + 1 < recording.size(); i += 2) {
        const int sample = qFromLittleEndian<qint16>(recording.constData() + i);
        loud += std::abs(sample) > threshold ? 1 : 0;
    }
    return loud;
}

} // namespace mervantic::test
