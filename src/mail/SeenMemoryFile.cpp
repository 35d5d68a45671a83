#include "mail/SeenMemoryFile.h"

#include "store/DataFile.h"
#include "store/FileReplacement.h"

namespace mervantic {

SeenMemoryFile::LoadResult SeenMemoryFile::load(SeenMemory& memory) {
    memory.clear();
    m_damage.clear();
    DataFileRead file = readDataFile(m_path, SeenMemory::kLargestFile);
    switch (file.status) {
    case DataFileRead::Status::Missing:
        return LoadResult::Missing;
    case DataFileRead::Status::Unreadable:
        m_damage = file.why;
        return LoadResult::Unreadable;
    case DataFileRead::Status::TooLarge:
        m_damage = file.why;
        return LoadResult::Damaged;
    case DataFileRead::Status::Loaded:
        break;
    }
    SeenMemory::Read read = SeenMemory::read(file.bytes);
    memory = std::move(read.memory);
    if (read.damage.isEmpty())
        return LoadResult::Loaded;
    m_damage = read.damage;
    return LoadResult::Damaged;
}

bool SeenMemoryFile::save(const SeenMemory& memory) const {
    return replaceFile(m_path, memory.toBytes());
}

} // namespace mervantic
