#pragma once

#include <QString>

namespace mervantic {

// MD5 (RFC 1321) of a text taken one byte per character (Latin-1), as 32 lower-case hex digits.
QString md5Hex(const QString& text);

} // namespace mervantic
