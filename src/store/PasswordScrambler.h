#pragma once

#include <QString>

namespace mervantic {

// The stored forms of passwords and secrets: no file holds one as typed. A chunk keeps up to 62
// characters in 64 (a two-digit length, the text, random printable filler, then a fixed
// transposition); the long form keeps up to 248 characters in four chunks.
namespace PasswordScrambler {

inline constexpr int kChunkSize = 64;
inline constexpr int kChunkCapacity = 62;
inline constexpr int kLongSize = 256;
inline constexpr int kLongCapacity = 248;
// What the unscrambling gives for a text of the wrong length.
inline const QString kWrongLength = QStringLiteral("WhatThe");

QString scrambleChunk(const QString& clear);
// "WhatThe" when the text is not 64 characters long; "" when the chunk is damaged.
QString unscrambleChunk(const QString& scrambled);
QString scramblePassword(const QString& clear);
// "WhatThe" when the text is not 256 characters long.
QString unscramblePassword(const QString& scrambled);

} // namespace PasswordScrambler

} // namespace mervantic
