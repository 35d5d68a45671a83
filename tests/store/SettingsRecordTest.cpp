#include "store/SettingsRecord.h"

#include "Printers.h"
#include "store/OleDate.h"
#include "store/OptionFields.h"
#include "store/PasswordScrambler.h"
#include "store/Settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <ctime>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

// A chunk this version writes for the 62 characters below (no random filler at that length).
const QString kAlphabet =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
const QByteArray kAlphabetChunk =
    "pisengtlqjfrmhokJCM6HANFKD2LGBIE5y8u3w916zv72x40ZScOXQdVaTPbWRYU";

struct Field {
    qsizetype offset;
    QByteArray bytes;
    const char* name;
};

// A settings record laid out by hand, field by field.
QByteArray handRecord() {
    const Field fields[] = {
        {0, QByteArray::fromHex("0080bb44"), "WindowLeft 1500"},
        {4, QByteArray::fromHex("00803b44"), "WindowTop 750"},
        {8, QByteArray::fromHex("00d81f46"), "WindowWidth 10230"},
        {12, QByteArray::fromHex("0088a445"), "WindowHeight 5265"},
        {16, QByteArray::fromHex("00d2496b00000000"), "ServerTimeoutMs 180000, currency"},
        {24, QByteArray::fromHex("00e0b544"), "MailColWidth1 1455"},
        {28, QByteArray::fromHex("0060bd44"), "MailColWidth2 1515"},
        {32, QByteArray::fromHex("0000fa44"), "MailColWidth3 2000"},
        {36, QByteArray::fromHex("00404e45"), "MailColWidth4 3300"},
        {40, QByteArray::fromHex("00c0b744"), "UserColWidth1 1470"},
        {44, QByteArray::fromHex("00009644"), "UserColWidth2 1200"},
        {48, QByteArray::fromHex("0000c844"), "UserColWidth3 1600"},
        {52, QByteArray::fromHex("2d000000"), "RecheckMinutes 45"},
        {56, QByteArray::fromHex("0100"), "CheckOnlyChecked"},
        {58, QByteArray::fromHex("0000"), "AutoCheckOnOpen"},
        {60, QByteArray::fromHex("0100"), "UseRetr"},
        {62, QByteArray::fromHex("0100"), "DeleteEnabled"},
        {64, QByteArray("reserved text of forty-eight bytes, kept as is!!"), "reserved 48"},
        {112, QByteArray::fromHex("0100"), "SoundOnNewMail"},
        {114, QByteArray::fromHex("0000"), "UseApop"},
        {116, kAlphabetChunk + QByteArray(192, ' '), "ApopSecretScrambled"},
        {372, QByteArray::fromHex("0100"), "TrayOnClose"},
        {374, QByteArray::fromHex("01000000"), "FirstRunMarker"},
        {378, QByteArray::fromHex("0102030405060708090a0b0c"), "reserved 3 x 32-bit"},
        {390, QByteArray("DejaVu Sans").leftJustified(128, ' '), "FontName"},
        {518, QByteArray::fromHex("ffff"), "FontBold -1"},
        {520, QByteArray::fromHex("00002041"), "FontSize 10"},
        {524, QByteArray::fromHex("05000000"), "DateFormat 5"},
        {528, QByteArray::fromHex("0100"), "AutoStartTimer"},
        {530, QByteArray::fromHex("00800945"), "MailColWidth5 2200"},
        {534, QByteArray::fromHex("00a0b944"), "MailColWidth6 1485"},
        {538, QByteArray::fromHex("00006144"), "UserColWidth4 900"},
        {542, QByteArray::fromHex("0000"), "NoToolTips"},
        {544, kAlphabetChunk, "RunPasswordScrambled"},
        {608, QByteArray::fromHex("0100"), "ContinuousAlarm"},
        {610, QByteArray::fromHex("0000"), "IdleIfOffline"},
        {612, QByteArray::fromHex("0100"), "LogPaneMode"},
        {614, QByteArray::fromHex("000000001876e640"), "LastCheckTime 46000.75"},
        {622, QByteArray("ab"), "reserved 16-bit"},
        {624, QByteArray::fromHex("0100"), "PasswordsAsSecrets"},
    };
    QByteArray record;
    for (const Field& field : fields) {
        EXPECT_EQ(record.size(), field.offset) << "gap or overlap before " << field.name;
        record.append(field.bytes);
    }
    EXPECT_EQ(record.size(), SettingsRecord::kSize);
    return record;
}

DisplayFacts desktop() {
    DisplayFacts facts;
    facts.screenWidth = 1920 * 15;
    facts.screenHeight = 1080 * 15;
    facts.workArea = QRectF(0, 0, 1920 * 15, 1040 * 15);
    facts.fontInstalled = [](const QString& family) {
        return family == QStringLiteral("DejaVu Sans") || family == QStringLiteral("Arial") ||
               family == QStringLiteral("Noto Sans");
    };
    facts.desktopFont = QStringLiteral("Noto Sans");
    facts.firstInstalledFont = QStringLiteral("Abyssinica SIL");
    return facts;
}

TEST(SettingsRecord, EveryFieldIsReadFromItsOffset) {
    const SettingsRecord r = SettingsRecord::fromBytes(handRecord());
    EXPECT_EQ(r.windowLeft, 1500.0f);
    EXPECT_EQ(r.windowTop, 750.0f);
    EXPECT_EQ(r.windowWidth, 10230.0f);
    EXPECT_EQ(r.windowHeight, 5265.0f);
    EXPECT_EQ(r.serverTimeout, 1800000000);
    EXPECT_EQ(r.mailColWidth1, 1455.0f);
    EXPECT_EQ(r.mailColWidth2, 1515.0f);
    EXPECT_EQ(r.mailColWidth3, 2000.0f);
    EXPECT_EQ(r.mailColWidth4, 3300.0f);
    EXPECT_EQ(r.mailColWidth6, 1485.0f);
    EXPECT_EQ(r.userColWidth1, 1470.0f);
    EXPECT_EQ(r.userColWidth2, 1200.0f);
    EXPECT_EQ(r.userColWidth3, 1600.0f);
    EXPECT_EQ(r.recheckMinutes, 45);
    EXPECT_EQ(r.checkOnlyChecked, 1);
    EXPECT_EQ(r.autoCheckOnOpen, 0);
    EXPECT_EQ(r.useRetr, 1);
    EXPECT_EQ(r.deleteEnabled, 1);
    EXPECT_EQ(r.soundOnNewMail, 1);
    EXPECT_EQ(r.trayOnClose, 1);
    EXPECT_EQ(r.firstRunMarker, 1);
    EXPECT_EQ(r.fontBold, -1);
    EXPECT_EQ(r.fontSize, 10.0f);
    EXPECT_EQ(r.dateFormat, 5);
    EXPECT_EQ(r.autoStartTimer, 1);
    EXPECT_EQ(r.mailColWidth5, 2200.0f);
    EXPECT_EQ(r.userColWidth4, 900.0f);
    EXPECT_EQ(r.continuousAlarm, 1);
    EXPECT_EQ(r.logPaneMode, 1);
    EXPECT_EQ(r.lastCheckTime, 46000.75);
    EXPECT_EQ(r.passwordsAsSecrets, 1);
    EXPECT_EQ(PasswordScrambler::unscrambleChunk(r.runPasswordScrambled), kAlphabet);
    EXPECT_EQ(PasswordScrambler::unscramblePassword(r.apopSecretScrambled), kAlphabet);
}

// Each option box's value goes through the file on its own: ticked alone, it comes back alone,
// as the one flag set in the bytes.
TEST(SettingsRecord, EachOptionTravelsAloneThroughTheFile) {
    const QByteArray blank = SettingsRecord().toBytes();
    for (const OptionField& ticked : kOptionFields) {
        SCOPED_TRACE(static_cast<int>(ticked.check));
        Settings settings = Settings::load(SettingsRecord(), desktop());
        settings.option(ticked.check) = true;
        const QByteArray bytes = settings.store(SettingsRecord()).toBytes();
        int changedFlags = 0;
        for (const OptionField& field : kOptionFields)
            changedFlags += bytes.mid(field.offset, 2) != blank.mid(field.offset, 2) ? 1 : 0;
        EXPECT_EQ(changedFlags, 1);
        EXPECT_EQ(bytes.mid(ticked.offset, 2), QByteArray::fromHex("0100"));
        const Settings back = Settings::load(SettingsRecord::fromBytes(bytes), desktop());
        for (const OptionField& field : kOptionFields)
            EXPECT_EQ(back.option(field.check), field.check == ticked.check)
                << static_cast<int>(field.check);
    }
}

TEST(SettingsRecord, ARecordWrittenBackIsIdenticalReservedFieldsIncluded) {
    const QByteArray original = handRecord();
    EXPECT_EQ(SettingsRecord::fromBytes(original).toBytes(), original);
}

TEST(SettingsRecord, LoadingGivesTheWorkingValuesAndStoringGivesTheRecordBack) {
    const SettingsRecord read = SettingsRecord::fromBytes(handRecord());
    const Settings s = Settings::load(read, desktop());
    EXPECT_TRUE(s.options.checkOnlyChecked);
    EXPECT_FALSE(s.options.autoCheckOnOpen);
    EXPECT_TRUE(s.options.useRetr);
    EXPECT_TRUE(s.options.deleteEnabled);
    EXPECT_TRUE(s.options.soundOnNewMail);
    EXPECT_FALSE(s.options.useApop);
    EXPECT_TRUE(s.options.autoStartTimer);
    EXPECT_TRUE(s.options.continuousAlarm);
    EXPECT_TRUE(s.options.passwordsAsSecrets);
    EXPECT_EQ(s.options.recheckMinutes, 45);
    EXPECT_EQ(s.options.serverTimeoutMs, 180000);
    EXPECT_EQ(s.options.timeoutSeconds(), 180);
    EXPECT_EQ(s.options.dateFormat, 5);
    EXPECT_EQ(s.options.apopSecret, kAlphabet);
    EXPECT_EQ(s.runPassword, kAlphabet);
    EXPECT_EQ(s.options.lastCheckTime, QDateTime(QDate(2025, 12, 9), QTime(18, 0)));
    EXPECT_TRUE(s.trayActive);
    EXPECT_TRUE(s.options.trayOnClose);
    EXPECT_FALSE(s.firstRun);
    EXPECT_EQ(s.window.left, 1500.0f);
    EXPECT_EQ(s.window.width, 10230.0f);
    EXPECT_EQ(s.window.fontName, QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(s.window.fontBold);
    EXPECT_EQ(s.window.fontSize, 10.0f);
    EXPECT_EQ(s.window.mailColumnWidths,
              (std::array<float, 6>{1455, 1515, 2000, 3300, 2200, 1485}));
    EXPECT_EQ(s.window.accountColumnWidths, (std::array<float, 4>{1470, 1200, 1600, 900}));
    EXPECT_EQ(s.window.logPaneMode, 1);

    // Everything but the freshly scrambled secrets comes back byte for byte.
    QByteArray stored = s.store(read).toBytes();
    QByteArray original = handRecord();
    EXPECT_EQ(PasswordScrambler::unscramblePassword(QString::fromLatin1(stored.mid(116, 256))),
              kAlphabet);
    EXPECT_EQ(PasswordScrambler::unscrambleChunk(QString::fromLatin1(stored.mid(544, 64))),
              kAlphabet);
    stored.replace(116, 256, QByteArray(256, '.')).replace(544, 64, QByteArray(64, '.'));
    original.replace(116, 256, QByteArray(256, '.')).replace(544, 64, QByteArray(64, '.'));
    EXPECT_EQ(stored.toHex(), original.toHex());
}

struct RepairCase {
    const char* name;
    std::function<void(SettingsRecord&)> change;
    std::function<void(const Settings&)> check;
};

TEST(SettingsRecord, ValuesOutOfRangeAreRepairedAtLoad) {
    const std::vector<RepairCase> cases = {
        {"time-out 2500 ms is 5 s", [](SettingsRecord& r) { r.serverTimeout = 2500LL * 10000; },
         [](const Settings& s) {
             EXPECT_EQ(s.options.timeoutSeconds(), 5);
             EXPECT_EQ(s.options.serverTimeoutMs, 5000);
         }},
        {"time-out 1000000 ms is 600 s",
         [](SettingsRecord& r) { r.serverTimeout = 1000000LL * 10000; },
         [](const Settings& s) {
             EXPECT_EQ(s.options.timeoutSeconds(), 600);
             EXPECT_EQ(s.options.serverTimeoutMs, 600000);
         }},
        {"time-out 2500000 ms is 600 s",
         [](SettingsRecord& r) { r.serverTimeout = 2500000LL * 10000; },
         [](const Settings& s) { EXPECT_EQ(s.options.timeoutSeconds(), 600); }},
        {"time-out 4500 ms rounds half to even: 4 s, so 5",
         [](SettingsRecord& r) { r.serverTimeout = 4500LL * 10000; },
         [](const Settings& s) { EXPECT_EQ(s.options.timeoutSeconds(), 5); }},
        {"time-out 6500 ms rounds half to even: 6 s",
         [](SettingsRecord& r) { r.serverTimeout = 6500LL * 10000; },
         [](const Settings& s) {
             EXPECT_EQ(s.options.timeoutSeconds(), 6);
             EXPECT_EQ(s.options.serverTimeoutMs, 6500);
         }},
        {"interval 0 is 30", [](SettingsRecord& r) { r.recheckMinutes = 0; },
         [](const Settings& s) { EXPECT_EQ(s.options.recheckMinutes, 30); }},
        {"interval 10000 is 30", [](SettingsRecord& r) { r.recheckMinutes = 10000; },
         [](const Settings& s) { EXPECT_EQ(s.options.recheckMinutes, 30); }},
        {"interval 9999 stays", [](SettingsRecord& r) { r.recheckMinutes = 9999; },
         [](const Settings& s) { EXPECT_EQ(s.options.recheckMinutes, 9999); }},
        {"date format 0 is 1", [](SettingsRecord& r) { r.dateFormat = 0; },
         [](const Settings& s) { EXPECT_EQ(s.options.dateFormat, 1); }},
        {"date format 6 is 1", [](SettingsRecord& r) { r.dateFormat = 6; },
         [](const Settings& s) { EXPECT_EQ(s.options.dateFormat, 1); }},
        {"date format 2147483647 is 1", [](SettingsRecord& r) { r.dateFormat = 2147483647; },
         [](const Settings& s) { EXPECT_EQ(s.options.dateFormat, 1); }},
        {"date format 5 stays", [](SettingsRecord& r) { r.dateFormat = 5; },
         [](const Settings& s) { EXPECT_EQ(s.options.dateFormat, 5); }},
        {"left -200 is 0", [](SettingsRecord& r) { r.windowLeft = -200; },
         [](const Settings& s) { EXPECT_EQ(s.window.left, 0.0f); }},
        {"left beyond the screen less 3000 is 0",
         [](SettingsRecord& r) { r.windowLeft = 1920 * 15 - 2999; },
         [](const Settings& s) { EXPECT_EQ(s.window.left, 0.0f); }},
        {"top beyond the screen less 3000 is 0",
         [](SettingsRecord& r) { r.windowTop = 1080 * 15 - 2000; },
         [](const Settings& s) { EXPECT_EQ(s.window.top, 0.0f); }},
        {"a font not installed falls back to the first usual one, 8 points, not bold",
         [](SettingsRecord& r) { r.fontName = QStringLiteral("Comic Neue"); },
         [](const Settings& s) {
             EXPECT_EQ(s.window.fontName, QStringLiteral("Arial"));
             EXPECT_EQ(s.window.fontSize, 8.0f);
             EXPECT_FALSE(s.window.fontBold);
         }},
        {"an installed font at 20 points shows at 12", [](SettingsRecord& r) { r.fontSize = 20; },
         [](const Settings& s) {
             EXPECT_EQ(s.window.fontSize, 12.0f);
             EXPECT_TRUE(s.window.fontBold);
         }},
        {"an installed font at 1 point shows at 8", [](SettingsRecord& r) { r.fontSize = 1; },
         [](const Settings& s) { EXPECT_EQ(s.window.fontSize, 8.0f); }},
        {"font names are matched exactly",
         [](SettingsRecord& r) { r.fontName = QStringLiteral("dejavu sans"); },
         [](const Settings& s) { EXPECT_EQ(s.window.fontName, QStringLiteral("Arial")); }},
        {"a width of -1 takes its default, 0 stays 0",
         [](SettingsRecord& r) {
             r.mailColWidth3 = -1;
             r.userColWidth4 = -1;
             r.mailColWidth1 = 0;
         },
         [](const Settings& s) {
             EXPECT_EQ(s.window.mailColumnWidths[2], 2000.0f);
             EXPECT_EQ(s.window.accountColumnWidths[3], 1440.0f);
             EXPECT_EQ(s.window.mailColumnWidths[0], 0.0f);
         }},
        {"a last check time of 0 is the OLE epoch", [](SettingsRecord& r) { r.lastCheckTime = 0; },
         [](const Settings& s) {
             EXPECT_EQ(s.options.lastCheckTime, QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
         }},
        {"flags other than 1 are off",
         [](SettingsRecord& r) {
             r.useRetr = 2;
             r.deleteEnabled = -1;
         },
         [](const Settings& s) {
             EXPECT_FALSE(s.options.useRetr);
             EXPECT_FALSE(s.options.deleteEnabled);
         }},
        {"the run password is trimmed",
         [](SettingsRecord& r) {
             r.runPasswordScrambled = PasswordScrambler::scrambleChunk(QStringLiteral("  pw  "));
         },
         [](const Settings& s) { EXPECT_EQ(s.runPassword, QStringLiteral("pw")); }},
        {"blank secrets read as empty",
         [](SettingsRecord& r) {
             r.runPasswordScrambled = QString(64, u' ');
             r.apopSecretScrambled = QString(256, QChar(0));
         },
         [](const Settings& s) {
             EXPECT_EQ(s.runPassword, QString());
             EXPECT_EQ(s.options.apopSecret, QString());
         }},
        {"first run: the set size in the middle of the work area, tab 3",
         [](SettingsRecord& r) { r.firstRunMarker = 0; },
         [](const Settings& s) {
             EXPECT_TRUE(s.firstRun);
             EXPECT_EQ(s.window.width, 10230.0f);
             EXPECT_EQ(s.window.height, 5265.0f);
             EXPECT_EQ(s.window.left, (1920 * 15 - 10230) / 2.0f);
             EXPECT_EQ(s.window.top, (1040 * 15 - 5265) / 2.0f);
         }},
    };
    for (const RepairCase& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRecord record = SettingsRecord::fromBytes(handRecord());
        c.change(record);
        c.check(Settings::load(record, desktop()));
    }
}

// What the load repairs or rounds is what a save and the next load give again.
TEST(SettingsRecord, RepairedValuesAreStableUnderASaveAndReload) {
    const struct {
        const char* name;
        std::int64_t serverTimeout;
        int seconds;
    } cases[] = {
        {"429,499.8016 ms", 4294998016LL, 430},
        {"4,999.5 ms", 49995000LL, 5},
        {"6,500.4 ms", 65004000LL, 6},
        {"599,500 ms", 5995000000LL, 600},
        {"negative", -1LL, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRecord record;
        record.serverTimeout = c.serverTimeout;
        const Settings first = Settings::load(record, desktop());
        EXPECT_EQ(first.options.timeoutSeconds(), c.seconds);
        const Settings second =
            Settings::load(SettingsRecord::fromBytes(first.store(record).toBytes()), desktop());
        EXPECT_EQ(second.options.timeoutSeconds(), first.options.timeoutSeconds());
        EXPECT_EQ(second.options.serverTimeoutMs, first.options.serverTimeoutMs);
    }
}

TEST(SettingsRecord, AFirstRunOnASmallDesktopFitsTheWorkArea) {
    SettingsRecord record;
    DisplayFacts small = desktop();
    small.workArea = QRectF(100 * 15, 50 * 15, 600 * 15, 300 * 15);
    const Settings s = Settings::load(record, small);
    EXPECT_EQ(s.window.width, 600 * 15 - 1800.0f);
    EXPECT_EQ(s.window.height, 300 * 15 - 1200.0f);
    EXPECT_EQ(s.window.left, 100 * 15 + 900.0f);
    EXPECT_EQ(s.window.top, 50 * 15 + 600.0f);
}

TEST(SettingsRecord, ABlankRecordLoadsWithTheFallbacks) {
    DisplayFacts noUsualFonts = desktop();
    noUsualFonts.fontInstalled = [](const QString& family) {
        return family == QStringLiteral("Noto Sans");
    };
    const Settings s =
        Settings::load(SettingsRecord::fromBytes(QByteArray(626, '\0')), noUsualFonts);
    EXPECT_EQ(s.options.timeoutSeconds(), 5);
    EXPECT_EQ(s.options.recheckMinutes, 30);
    EXPECT_EQ(s.options.dateFormat, 1);
    EXPECT_EQ(s.window.fontName, QStringLiteral("Noto Sans")); // the desktop's own font
    EXPECT_EQ(s.window.mailColumnWidths, (std::array<float, 6>{}));
    EXPECT_TRUE(s.firstRun);

    DisplayFacts bare = noUsualFonts;
    bare.desktopFont.clear();
    EXPECT_EQ(Settings::load(SettingsRecord(), bare).window.fontName,
              QStringLiteral("Abyssinica SIL"));
}

TEST(SettingsRecord, TheStoredRecordCarriesTheWorkingValues) {
    Settings s = Settings::load(SettingsRecord::fromBytes(handRecord()), desktop());
    s.options.serverTimeoutMs = 190000;
    s.options.useApop = true;
    s.options.apopSecret.clear();
    s.runPassword = QStringLiteral("new");
    s.options.trayOnClose = false; // chosen for the next run; the one in force stays
    s.window.fontBold = false;
    s.options.lastCheckTime = QDateTime(QDate(2026, 12, 10), QTime(6, 0));
    const SettingsRecord r = s.store(SettingsRecord::fromBytes(handRecord()));
    EXPECT_EQ(r.serverTimeout, 1900000000);
    EXPECT_EQ(r.useApop, 1);
    EXPECT_EQ(r.trayOnClose, 0);
    EXPECT_EQ(r.fontBold, 0);
    EXPECT_EQ(r.firstRunMarker, 1);
    EXPECT_EQ(PasswordScrambler::unscramblePassword(r.apopSecretScrambled), QString());
    EXPECT_EQ(PasswordScrambler::unscrambleChunk(r.runPasswordScrambled), QStringLiteral("new"));
    EXPECT_DOUBLE_EQ(r.lastCheckTime,
                     OleDate::fromDateTime(QDateTime(QDate(2026, 12, 10), QTime(6, 0))));
    EXPECT_EQ(r.reserved64, QByteArray("reserved text of forty-eight bytes, kept as is!!"));
}

TEST(SettingsRecord, OleDatesRoundTripOnBothSidesOfTheEpoch) {
    const std::pair<double, QDateTime> cases[] = {
        {0.0, QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
        {2.25, QDateTime(QDate(1900, 1, 1), QTime(6, 0))},
        {-1.25, QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
        {46000.75, QDateTime(QDate(2025, 12, 9), QTime(18, 0))},
    };
    for (const auto& [ole, moment] : cases) {
        EXPECT_EQ(OleDate::toDateTime(ole), moment) << ole;
        EXPECT_DOUBLE_EQ(OleDate::fromDateTime(moment), ole) << ole;
    }
}

// The time zone of the process for the life of a test.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone)
        : m_old(qgetenv("TZ")) {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~TimeZoneScope() {
        qputenv("TZ", m_old);
        ::tzset();
    }

private:
    QByteArray m_old;
};

TEST(SettingsRecord, TheLastCheckTimeKeepsItsTimeOfDayOnTheDaysTheClocksChange) {
    const TimeZoneScope berlin("Europe/Berlin");
    for (const QDate day : {QDate(2025, 3, 30), QDate(2025, 10, 26), QDate(2025, 7, 1)}) {
        const QDateTime moment(day, QTime(14, 30));
        // Written and read back, through the record's date field, again and again.
        QDateTime shown = moment;
        for (int round = 0; round < 3; ++round)
            shown = OleDate::toDateTime(OleDate::fromDateTime(shown));
        EXPECT_EQ(shown, moment) << day.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(shown.time(), QTime(14, 30));
    }
}

TEST(SettingsFile, ShortFilesReadAsZerosAndWritesReplaceTheFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mervantic.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(handRecord().left(300) + QByteArray());
    file.close();
    const auto shortRecord = SettingsFile::read(path);
    ASSERT_TRUE(shortRecord.has_value());
    EXPECT_EQ(shortRecord->recheckMinutes, 45);
    EXPECT_EQ(shortRecord->fontSize, 0.0f); // beyond the 300 bytes
    EXPECT_FALSE(SettingsFile::read(dir.filePath(QStringLiteral("missing.ini"))).has_value());

    // Bytes beyond the record are kept; a reader of the old file still sees it whole.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray old = handRecord() + "tail";
    file.write(old);
    file.close();
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    SettingsRecord changed = SettingsRecord::fromBytes(handRecord());
    changed.recheckMinutes = 12;
    ASSERT_TRUE(SettingsFile::write(path, changed));
    EXPECT_EQ(reader.readAll(), old);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_EQ(bytes.size(), 630);
    EXPECT_EQ(bytes.right(4), QByteArray("tail"));
    EXPECT_EQ(SettingsRecord::fromBytes(bytes).recheckMinutes, 12);
    EXPECT_FALSE(
        SettingsFile::write(dir.filePath(QStringLiteral("no/such/folder/x.ini")), changed));
}

TEST(SettingsTemplate, TheBuiltTemplateStartsANewUserWithUsableValues) {
    QFile file(QStringLiteral(MERVANTIC_TEMPLATE_PATH));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << MERVANTIC_TEMPLATE_PATH;
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), SettingsRecord::kSize);
    const Settings s = Settings::load(SettingsRecord::fromBytes(bytes), desktop());
    EXPECT_EQ(s.options.timeoutSeconds(), 180);
    EXPECT_EQ(s.options.recheckMinutes, 30);
    EXPECT_EQ(s.options.dateFormat, 1);
    EXPECT_EQ(s.window.fontName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(s.window.mailColumnWidths, Settings::kMailColumnDefaults);
    EXPECT_EQ(s.window.accountColumnWidths, (std::array<float, 4>{1440, 1440, 1440, 1440}));
    EXPECT_TRUE(s.firstRun);
    EXPECT_EQ(s.runPassword, QString());
    EXPECT_EQ(s.options.apopSecret, QString());
    for (const bool option :
         {s.options.checkOnlyChecked, s.options.autoCheckOnOpen, s.options.useRetr,
          s.options.deleteEnabled, s.options.soundOnNewMail, s.options.useApop,
          s.options.autoStartTimer, s.options.noToolTips, s.options.continuousAlarm,
          s.options.idleIfOffline, s.options.passwordsAsSecrets, s.trayActive})
        EXPECT_FALSE(option);
}

} // namespace
} // namespace mervantic
