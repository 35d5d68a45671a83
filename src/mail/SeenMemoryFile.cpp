#include "mail/SeenMemoryFile.h"

#include "store/FileReplacement.h"

#include <QFile>
#include <QFileInfo>

namespace mervantic {

SeenMemoryFile::LoadResult SeenMemoryFile::load(SeenMemory& memory) const {
    memory.clear();
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return LoadResult::Missing;
    // Only a regular file is read: a FIFO would block the start and a device never end.
    if (!info.isFile())
        return LoadResult::Unreadable;
    if (info.size() > SeenMemory::kLargestFile)
        return LoadResult::Damaged;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Unreadable;
    const QByteArray bytes = file.read(SeenMemory::kLargestFile + 1);
    if (file.error() != QFileDevice::NoError)
        return LoadResult::Unreadable;
    std::optional<SeenMemory> read = SeenMemory::fromBytes(bytes);
    if (!read)
        return LoadResult::Damaged;
    memory = std::move(*read);
    return LoadResult::Loaded;
}

bool SeenMemoryFile::save(const SeenMemory& memory) const {
    return replaceFile(m_path, memory.toBytes());
}

} // namespace mervantic
