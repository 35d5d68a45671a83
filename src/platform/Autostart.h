#pragma once

#include <QString>

namespace mervantic {

// The program's entry in the user's autostart folder ($XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart), where freedesktop.org desktops look at login for what to start: it starts
// the program in the notification area. The entry's being there is the setting: no file of the
// program's keeps it, so the desktop's own session settings and the program agree.
class Autostart {
public:
    // `folder` is the autostart folder; empty: the user's.
    explicit Autostart(QString folder = {});

    QString entryPath() const;
    // Whether an entry of the program's is there and not switched off by the desktop.
    bool enabled() const;
    // Writes the entry to start `program` (its absolute path) with `--tray`; false, with why,
    // when it cannot be written.
    bool enable(const QString& program, QString* why) const;
    // Removes the entry; removing one that is not there is done.
    bool disable(QString* why) const;

    // An Exec value that starts `program` with `argument`, quoted so that a desktop reading the
    // entry gets the path back whole, blanks, quotes, '$' and '\' included.
    static QString execLine(const QString& program, const QString& argument);

private:
    QString m_folder;
};

} // namespace mervantic
