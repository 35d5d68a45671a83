#pragma once

#include <QByteArray>
#include <QString>

namespace mervantic {

// The one way the program reads and keeps its data files (settings, accounts, connection
// settings, seen memory): read as a regular file and within a bound, so that nothing on the
// disk can block the start or take unbounded memory; and a file found damaged is kept, byte for
// byte, before anything replaces it.
struct DataFileRead {
    enum class Status {
        Loaded,
        // Not there: nothing was kept yet.
        Missing,
        // There but not read (not a regular file, no permission, an error while reading): the
        // program must not write over it.
        Unreadable,
        // Larger than any file the program writes: damaged, not read.
        TooLarge,
    };
    Status status = Status::Missing;
    QByteArray bytes;
    // Why it was not loaded, in words that follow the file's name: "Is Not A Regular File",
    // "Cannot Be Read (Permission denied)", "Is Larger Than 4 MB".
    QString why;
};

DataFileRead readDataFile(const QString& path, qint64 largest);

// Keeps a damaged data file as it is, beside itself, under a name that says so and when
// ("mervseen.dat.damaged-20261211-104501"), so that the program can write a good one in its
// place. The path it was kept at; empty, with why, when it could not be kept (the file must then
// be left as it is).
// `copy`: the file also stays where it is until a good one replaces it (for a file whose loss
// would cost the user's work, should the program end before that).
enum class SetAside { Move, Copy };
QString setAsideDamaged(const QString& path, QString* why = nullptr, SetAside how = SetAside::Move);

} // namespace mervantic
