#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace mervantic::Apop {

// The server's timestamp in a greeting: from the first "<" to the first ">" after it, both
// included; nothing when either is missing.
std::optional<QString> timestamp(const QString& greeting);

// The digest sent with APOP: MD5 of the timestamp as the server sent it (one byte per
// character) and the secret in the Windows-1252 bytes the program stores and sends, as 32
// lower-case hex digits.
QString digest(const QString& timestamp, const QString& secret);

} // namespace mervantic::Apop
