#pragma once

#include <QByteArrayView>

#include <cstring>

namespace mervantic {

// Position of `pattern` in `text` at or after `from`, or -1. The patterns the conversation looks
// for (CR LF, the empty line, the end of a reply) are short and start with a byte that is rare
// in text, so jumping between its occurrences with memchr beats a general substring search
// several times over, which matters with every reply of a large mailbox passing through here.
inline qsizetype indexOfBytes(QByteArrayView text, QByteArrayView pattern, qsizetype from = 0) {
    const qsizetype length = pattern.size();
    if (length == 0 || from < 0 || text.size() - from < length)
        return -1;
    const char* begin = text.data();
    const char* last = begin + text.size() - length; // the last place the pattern could start
    for (const char* at = begin + from; at <= last; ++at) {
        at = static_cast<const char*>(
            std::memchr(at, pattern.front(), static_cast<std::size_t>(last - at + 1)));
        if (at == nullptr)
            return -1;
        if (std::memcmp(at, pattern.data(), static_cast<std::size_t>(length)) == 0)
            return at - begin;
    }
    return -1;
}

} // namespace mervantic
