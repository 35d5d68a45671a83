#pragma once

#include "mail/SeenMemory.h"

#include <QString>

namespace mervantic {

// The file that keeps what the user has seen between runs (mervseen.dat beside the other data
// files): private to the user and replaced whole, like them.
class SeenMemoryFile {
public:
    explicit SeenMemoryFile(QString path)
        : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    enum class LoadResult {
        Loaded,
        // No file yet: nothing seen.
        Missing,
        // A file of another form, cut short or too large: what could be read of it is in the
        // memory, and damage() says why; it must be set aside before a save replaces it.
        Damaged,
        // A file that could not be read (not a regular file, no permission): nothing seen, and
        // this run does not write over it.
        Unreadable,
    };
    LoadResult load(SeenMemory& memory);
    // Why the last load was not complete: "Is Larger Than 64 MB", "it is cut short".
    const QString& damage() const { return m_damage; }
    // False when the file could not be written; the previous one is then whole.
    bool save(const SeenMemory& memory) const;

private:
    QString m_path;
    QString m_damage;
};

} // namespace mervantic
