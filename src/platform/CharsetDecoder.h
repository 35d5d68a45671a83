#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace mervantic {

// Text in any character set the system's iconv knows, turned into Unicode; nothing when the
// character set is unknown or the bytes are not valid in it.
std::optional<QString> decodeCharset(QByteArrayView bytes, const QByteArray& charset);

} // namespace mervantic
