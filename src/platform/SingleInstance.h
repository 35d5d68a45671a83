#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace mervantic {

// Whether this user runs the program already: a lock file in the user's runtime folder, held
// for the life of the process. A lock left by a process that died is taken over.
class SingleInstance {
public:
    // The lock file for `name` in the runtime folder (the temporary folder when there is none).
    explicit SingleInstance(const QString& name);
    // True when this process now holds the lock; false when another running copy does.
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace mervantic
