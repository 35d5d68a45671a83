#include "platform/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace mervantic {

SingleInstance::SingleInstance(const QString& name) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // Per user even in a shared temporary folder.
    m_lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + name +
                                         QStringLiteral("-%1.lock").arg(::getuid()));
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire() {
    return m_lock->tryLock(0);
}

} // namespace mervantic
