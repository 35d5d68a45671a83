#pragma once

#include <QString>
#include <QStringList>

namespace mervantic {

// Whether a folder is safe to keep passwords in, as ssh judges its own files: the folder and
// each of the named files in it belong to the user running the program, and no other user can
// change them or replace them. The folder holding the data folder must belong to the user or to
// the system, and may let others write only when it is sticky (as /tmp is). A symbolic link is
// followed only when the link and the folder holding it belong to the user. Write permission of
// group and others on the user's own folder and files is taken away; a file that is there must
// be a regular file. Empty when all is well, else why not, naming the path and its owner.
QString whyNotPrivate(const QString& folder, const QStringList& fileNames);

} // namespace mervantic
