#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace mervantic {

namespace {
const QString kEntryName = QStringLiteral("mervantic.desktop");

// A desktop entry's value holds no line break: one would start a key of its own.
bool fitsOneLine(const QString& text) {
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}
} // namespace

Autostart::Autostart(QString folder)
    : m_folder(folder.isEmpty()
                   ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/autostart")
                   : std::move(folder)) {}

QString Autostart::entryPath() const {
    return m_folder + QLatin1Char('/') + kEntryName;
}

bool Autostart::enabled() const {
    QFile entry(entryPath());
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    // A desktop's session settings switch an entry off in place rather than remove it.
    const QByteArray text = entry.read(64 * 1024);
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed == "Hidden=true" || trimmed == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return text.contains("Exec=");
}

QString Autostart::execLine(const QString& program, const QString& argument) {
    // Inside double quotes, the characters '"', '`', '$' and '\' are escaped with '\'; and a
    // '\' in a desktop entry's string is itself written as "\\".
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    // '%' begins a field code: written twice.
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QStringLiteral("\" ") + argument;
}

bool Autostart::enable(const QString& program, QString* why) const {
    if (!fitsOneLine(program)) {
        *why = QStringLiteral("the program's path holds a line break");
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        *why = QStringLiteral("the folder %1 could not be made").arg(m_folder);
        return false;
    }
    const QByteArray entry = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Mervantic\n"
                                            "Comment=Check your POP3 mailboxes from the "
                                            "notification area\n"
                                            "Exec=%1\n"
                                            "Icon=mervantic\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(execLine(program, QStringLiteral("--tray")))
                                 .toUtf8();
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.flush() ||
        !file.commit()) {
        *why = QStringLiteral("%1 could not be written (%2)").arg(entryPath(), file.errorString());
        return false;
    }
    return true;
}

bool Autostart::disable(QString* why) const {
    QFile entry(entryPath());
    if (!entry.exists() || entry.remove())
        return true;
    *why = QStringLiteral("%1 could not be removed (%2)").arg(entryPath(), entry.errorString());
    return false;
}

} // namespace mervantic
