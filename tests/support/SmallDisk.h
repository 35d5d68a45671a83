#pragma once

#include <QString>
#include <QTemporaryDir>

namespace mervantic::test {

// A small file system of its own (tmpfs) mounted on a temporary folder, that a test can fill
// so that the next write runs out of space, as a full disk does. Mounting needs root, as the
// tests have in CI; elsewhere `why()` says why there is none.
class SmallDisk {
public:
    explicit SmallDisk(int kibibytes = 256);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }
    QString path() const { return m_folder.path(); }
    // Takes every free byte, so that the next write fails with "no space left".
    void fill();
    // Mounts it again read-only, as a disk the system found damaged is.
    bool makeReadOnly();

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    QString m_why;
};

} // namespace mervantic::test
