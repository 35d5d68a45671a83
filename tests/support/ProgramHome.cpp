#include "ProgramHome.h"

#include <QDir>
#include <QFile>

namespace mervantic::test {

ProgramHome::ProgramHome() {
    const QString runtime = m_home.filePath(QStringLiteral("runtime"));
    // Qt will not use a runtime folder others may enter.
    m_ready = m_home.isValid() && QDir().mkpath(dataFolder()) && QDir().mkpath(runtime) &&
              QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
}

QString ProgramHome::dataFolder() const {
    return m_home.filePath(QStringLiteral("data/Mervantic"));
}

QProcessEnvironment ProgramHome::environment(const QString& display) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    return env;
}

} // namespace mervantic::test
