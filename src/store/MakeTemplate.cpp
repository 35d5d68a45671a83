// Writes the settings template that the program copies for a new user: the values a new user
// starts with. Run by the build; the file lands beside the program.
#include "store/Settings.h"
#include "store/SettingsRecord.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mervantic_template <output file>\n");
        return 2;
    }
    mervantic::SettingsRecord record;
    // Every column visible at its design width.
    const auto& mail = mervantic::Settings::kMailColumnDefaults;
    record.mailColWidth1 = mail[0];
    record.mailColWidth2 = mail[1];
    record.mailColWidth3 = mail[2];
    record.mailColWidth4 = mail[3];
    record.mailColWidth5 = mail[4];
    record.mailColWidth6 = mail[5];
    record.userColWidth1 = record.userColWidth2 = record.userColWidth3 = record.userColWidth4 =
        mervantic::Settings::kAccountColumnDefault;
    // The page defaults: every option off, a check every 30 minutes, dates as sent, a server
    // time-out of 180 seconds.
    record.recheckMinutes = mervantic::kDefaultRecheckMinutes;
    record.dateFormat = 1;
    record.serverTimeout = std::int64_t{mervantic::kDefaultTimeoutSeconds} * 1000 * 10000;
    // A font every Debian desktop has; the load falls back when it is missing.
    record.fontName = QStringLiteral("DejaVu Sans");
    record.fontSize = 9;
    // No secrets: blank fields read back as empty.
    record.apopSecretScrambled = QString(256, QLatin1Char(' '));
    record.runPasswordScrambled = QString(64, QLatin1Char(' '));
    // The first start sizes and places the window for the desktop.
    record.firstRunMarker = 0;

    QFile file(QString::fromLocal8Bit(argv[1]));
    const QByteArray bytes = record.toBytes();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
