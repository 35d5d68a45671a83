#include "platform/SingleInstance.h"

namespace mervantic {

bool SingleInstance::acquire(const QString& dataFolder) {
    m_lock = std::make_unique<QLockFile>(dataFolder + QLatin1Char('/') + QLatin1String(kLockName));
    // Only a lock whose process has died is stale, however old.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

} // namespace mervantic
