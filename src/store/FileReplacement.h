#pragma once

#include <QByteArray>
#include <QString>

namespace mervantic {

// Writes `content` as the whole new file at `path`: into a temporary file in the same folder,
// then renamed over the old one, so that a failure or a crash in the middle leaves the previous
// file complete. False when the file could not be written; the old file is then untouched.
//
// The file and its folder are made private to the user (0600 and 0700, whatever the umask and
// whatever they were before): the data files hold passwords whose scrambling anyone can undo.
bool replaceFile(const QString& path, const QByteArray& content);

// Makes a data folder or file private to the user; false when it could not be done.
bool makePrivate(const QString& path);

} // namespace mervantic
