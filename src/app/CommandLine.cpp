#include "app/CommandLine.h"

namespace mervantic {

CommandLine CommandLine::read(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.asks = Asks::Help;
            return line;
        }
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v")) {
            line.asks = Asks::Version;
            return line;
        }
        if (argument == QLatin1String("--tray")) {
            line.inTray = true;
            continue;
        }
        // Options with one dash are Qt's own (-platform, -style, -session from the session
        // manager...), left to it with their values.
        if (argument.startsWith(QLatin1String("--"))) {
            line.asks = Asks::Mistake;
            line.mistake = argument;
            return line;
        }
    }
    return line;
}

QString CommandLine::usage(const QString& program) {
    return QStringLiteral("Usage: %1 [--tray] [--help] [--version]\n"
                          "\n"
                          "Mervantic checks your POP3 mailboxes and lists the messages waiting "
                          "there,\nwithout fetching or deleting them. Started without options, "
                          "it opens its window\n(or, with a second start, brings the running "
                          "one's window forward).\n"
                          "\n"
                          "      --tray     start in the notification area, the window hidden "
                          "until\n"
                          "                 its icon is clicked (as the login does when \"Start "
                          "At\n"
                          "                 Login\" is on); the window opens where there is no "
                          "such area\n"
                          "  -h, --help     show this text and end\n"
                          "  -v, --version  show the version and end\n"
                          "\n"
                          "Its files are in $XDG_DATA_HOME/Mervantic (~/.local/share/Mervantic).\n")
        .arg(program);
}

QString CommandLine::version() {
    return QStringLiteral("Mervantic ") + QStringLiteral(MERVANTIC_VERSION) + QLatin1Char('\n');
}

} // namespace mervantic
