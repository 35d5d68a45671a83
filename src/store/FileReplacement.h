#pragma once

#include <QByteArray>
#include <QString>

namespace mervantic {

// Writes `content` as the whole new file at `path`: into a temporary file in the same folder,
// then renamed over the old one, so that a failure or a crash in the middle leaves the previous
// file complete. False when the file could not be written.
bool replaceFile(const QString& path, const QByteArray& content);

} // namespace mervantic
