#pragma once

#include <QByteArray>
#include <QString>

namespace mervantic {

// Writes `content` as the whole new file at `path`: into a temporary file in the same folder,
// then renamed over the old one, so that a failure or a crash in the middle leaves the previous
// file complete. A symbolic link is followed: the file it points at is replaced, the link stays.
// False when the file could not be written, with why in plain words when `why` is given; the
// old file is then untouched.
//
// The data files hold passwords whose scrambling anyone can undo: the folder and the file are
// made private to the user (group and others lose every permission). Nothing else is changed: a
// folder or file the user made read-only is not written, whatever the process may do.
bool replaceFile(const QString& path, const QByteArray& content, QString* why = nullptr);

// The same, keeping what the old file holds beyond the first `head.size()` bytes after the new
// head, copied a piece at a time: a file of any size costs no more memory than its head.
bool replaceFileKeepingTail(const QString& path, const QByteArray& head, QString* why = nullptr);

// Takes every permission of group and others away from a data folder or file; nothing else.
// False when it could not be done.
bool makePrivate(const QString& path);

} // namespace mervantic
