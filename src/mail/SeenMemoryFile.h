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
        // A file of another form, cut short or too large: nothing seen, and the next save
        // replaces it.
        Damaged,
        // A file that could not be read (not a regular file, no permission): nothing seen, and
        // this run does not write over it.
        Unreadable,
    };
    LoadResult load(SeenMemory& memory) const;
    // False when the file could not be written; the previous one is then whole.
    bool save(const SeenMemory& memory) const;

private:
    QString m_path;
};

} // namespace mervantic
