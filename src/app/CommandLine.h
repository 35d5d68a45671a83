#pragma once

#include <QString>
#include <QStringList>

namespace mervantic {

// What the program's command line asks for. It is read before anything else (before a display
// is opened), so that `--help` and `--version` answer on a terminal without a desktop.
struct CommandLine {
    enum class Asks { Run, Help, Version, Mistake };
    Asks asks = Asks::Run;
    // The option not understood, for a Mistake.
    QString mistake;
    // `--tray`: started at login, in the notification area, the window hidden.
    bool inTray = false;

    static CommandLine read(const QStringList& arguments);
    // What `--help` prints.
    static QString usage(const QString& program);
    // What `--version` prints.
    static QString version();
};

} // namespace mervantic
