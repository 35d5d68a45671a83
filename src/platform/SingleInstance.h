#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace mervantic {

// Whether a copy of the program already works on a data folder: a lock file in the folder
// itself, held for the life of the process, so that there is one writer per data folder however
// the program was started (with or without a runtime folder, from two logins). A lock left by a
// process that died is taken over.
class SingleInstance {
public:
    static constexpr const char* kLockName = "mervantic.lock";

    // True when this process now holds the lock of `dataFolder`; false when another running
    // copy does.
    bool acquire(const QString& dataFolder);

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace mervantic
