// Runs under several time zones and locales (see tests/CMakeLists.txt); the table holds the
// expected local times for each zone.
#include "mail/DateNormaliser.h"

#include "Printers.h"
#include "platform/DateTimeText.h"

#include <QLocale>

#include <algorithm>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

enum Zone { Utc, NewYork, Berlin };

Zone zone() {
    const QByteArray tz = qgetenv("TZ");
    if (tz == "America/New_York")
        return NewYork;
    if (tz == "Europe/Berlin")
        return Berlin;
    return Utc;
}

struct DateCase {
    const char* raw;
    // Format 5 in UTC, New York and Berlin; nullptr: the header comes back unchanged.
    const char* utc;
    const char* newYork;
    const char* berlin;
};

const DateCase kCases[] = {
    // the examples
    {"Mon, 4 Jan 2003 09:15:00 -0500", "Jan 4 2003 2:15 PM", "Jan 4 2003 9:15 AM",
     "Jan 4 2003 3:15 PM"},
    {"4 Jan 2003 09:15 EST", "Jan 4 2003 2:15 PM", "Jan 4 2003 9:15 AM", "Jan 4 2003 3:15 PM"},
    {"4 Jan 03 0915 GMT", "Jan 4 2003 9:15 AM", "Jan 4 2003 4:15 AM", "Jan 4 2003 10:15 AM"},
    {"4 Jan 2003 091530 UT", "Jan 4 2003 9:15 AM", "Jan 4 2003 4:15 AM", "Jan 4 2003 10:15 AM"},
    {"  Sat, 4 Jan 2003 09:15:00 -0500 (EST)  ", "Jan 4 2003 2:15 PM", "Jan 4 2003 9:15 AM",
     "Jan 4 2003 3:15 PM"},
    {"14 Feb 2003 23:59:59 +0000", "Feb 14 2003 11:59 PM", "Feb 14 2003 6:59 PM",
     "Feb 15 2003 12:59 AM"},
    // numeric and named zones
    {"4 Jan 2003 09:15:00 +0100", "Jan 4 2003 8:15 AM", "Jan 4 2003 3:15 AM", "Jan 4 2003 9:15 AM"},
    {"4 Jan 2003 09:15:00 -0100", "Jan 4 2003 10:15 AM", "Jan 4 2003 5:15 AM",
     "Jan 4 2003 11:15 AM"},
    {"4 Jan 2003 09:15:00 A", "Jan 4 2003 8:15 AM", "Jan 4 2003 3:15 AM", "Jan 4 2003 9:15 AM"},
    {"4 Jan 2003 09:15:00 N", "Jan 4 2003 10:15 AM", "Jan 4 2003 5:15 AM", "Jan 4 2003 11:15 AM"},
    {"4 Jan 2003 09:15:00 j", "Jan 4 2003 9:15 AM", "Jan 4 2003 4:15 AM", "Jan 4 2003 10:15 AM"},
    {"4 Jan 2003 09:15:00 BST", "Jan 4 2003 9:15 AM", "Jan 4 2003 4:15 AM", "Jan 4 2003 10:15 AM"},
    {"4 Jan 2003 09:15:00 CET", "Jan 4 2003 9:15 AM", "Jan 4 2003 4:15 AM", "Jan 4 2003 10:15 AM"},
    {"4 Jan 2003 09:15:00 pdt", "Jan 4 2003 4:15 PM", "Jan 4 2003 11:15 AM", "Jan 4 2003 5:15 PM"},
    {"4 Jan 2003 09:15:00 Y", "Jan 4 2003 9:15 PM", "Jan 4 2003 4:15 PM", "Jan 4 2003 10:15 PM"},
    // summer dates keep their summer offsets whatever the season today
    {"Tue, 15 Jul 2003 12:00:00 +0000", "Jul 15 2003 12:00 PM", "Jul 15 2003 8:00 AM",
     "Jul 15 2003 2:00 PM"},
    {"31 Oct 2010 01:30:00 +0000", "Oct 31 2010 1:30 AM", "Oct 30 2010 9:30 PM",
     "Oct 31 2010 2:30 AM"},
    // two-digit years
    {"4 Jan 99 09:15:00 GMT", "Jan 4 1999 9:15 AM", "Jan 4 1999 4:15 AM", "Jan 4 1999 10:15 AM"},
    {"4 Jan 29 09:15:00 GMT", "Jan 4 2029 9:15 AM", "Jan 4 2029 4:15 AM", "Jan 4 2029 10:15 AM"},
    // shapes the program does not read
    {"Monday, 4 Jan 2003 09:15:00 -0500", nullptr, nullptr, nullptr},
    {"4 January 2003 09:15:00 -0500", nullptr, nullptr, nullptr},
    {"4 Jan 2003 9:15:00 -0500", nullptr, nullptr, nullptr},
    {"4 Jan 2003 09:15:00 EDT (x)", nullptr, nullptr, nullptr},
    {"4 Jan 2003 09:15:00", nullptr, nullptr, nullptr},
    {"4 Jan 2003 09:15:00 *0500", nullptr, nullptr, nullptr},
    {"4 Jan 2003 25:15:00 GMT", nullptr, nullptr, nullptr},
    {"31 Feb 2003 09:15:00 GMT", nullptr, nullptr, nullptr},
    {"4 Foo 2003 09:15:00 GMT", nullptr, nullptr, nullptr},
    {"4 Jan 203 09:15:00 GMT", nullptr, nullptr, nullptr},
    {"", nullptr, nullptr, nullptr},
    {"   ", nullptr, nullptr, nullptr},
    {"not a date at all", nullptr, nullptr, nullptr},
};

// A Date header for the given local moment, written in UTC.
QString headerFor(const QDateTime& local) {
    return QLocale::c().toString(local.toUTC(), QStringLiteral("d MMM yyyy HH:mm:ss")) +
           QStringLiteral(" GMT");
}

TEST(NormaliseDate, GivesTheLocalTimeOrTheHeaderUnchanged) {
    for (const DateCase& c : kCases) {
        const QString raw = QString::fromLatin1(c.raw);
        const char* expected = zone() == NewYork ? c.newYork : zone() == Berlin ? c.berlin : c.utc;
        const QString result = normaliseDate(raw, MonthDayYearTime);
        EXPECT_EQ(result, expected != nullptr ? QString::fromLatin1(expected) : raw) << c.raw;
        // Format 4 is format 5 with the day name in front.
        if (expected != nullptr) {
            const QString withDay = normaliseDate(raw, DayMonthDayYearTime);
            EXPECT_TRUE(withDay.endsWith(QLatin1Char(' ') + QString::fromLatin1(expected)))
                << c.raw;
            EXPECT_EQ(withDay.size(), QString::fromLatin1(expected).size() + 4) << c.raw;
        } else {
            for (const int format : {RegionalShort, RegionalLong, DayMonthDayYearTime})
                EXPECT_EQ(normaliseDate(raw, format), raw) << c.raw << " format " << format;
        }
    }
}

TEST(NormaliseDate, RegionalFormatsFollowTheUsersLocale) {
    // 4 Jan 2003, a Saturday, 9:15:30 in the morning local time
    const QDateTime local(QDate(2003, 1, 4), QTime(9, 15, 30));
    const QString raw = headerFor(local);
    struct Expected {
        const char* locale;
        const char* regionalShort;
        const char* regionalLong;
    };
    const Expected table[] = {
        {"C", "4 Jan 2003 09:15:30", "Saturday, 4 January 2003 09:15:30"},
        {"en_US", "1/4/03 9:15:30 AM", "Saturday, January 4, 2003 9:15:30 AM"},
        {"es_ES", "4/1/03 9:15:30", "s\u00e1bado, 4 de enero de 2003 9:15:30"},
    };
    const QString name = QLocale::system().name();
    const auto found = std::find_if(std::begin(table), std::end(table), [&](const Expected& e) {
        return name == QLatin1String(e.locale);
    });
    ASSERT_NE(found, std::end(table)) << name.toStdString();
    EXPECT_EQ(normaliseDate(raw, RegionalShort), QString::fromUtf8(found->regionalShort));
    EXPECT_EQ(normaliseDate(raw, RegionalLong), QString::fromUtf8(found->regionalLong));
    if (name != QStringLiteral("es_ES")) {
        EXPECT_EQ(normaliseDate(raw, DayMonthDayYearTime),
                  QStringLiteral("Sat Jan 4 2003 9:15 AM"));
    }
}

// The examples beside the date formats are spelt in the language of the dates they stand for;
// the English ones keep the text the choice always had.
TEST(DateFormatExample, SpeaksTheLanguageOfTheDatesItStandsFor) {
    struct Expected {
        const char* locale;
        const char* dayMonth;
        const char* month;
    };
    const Expected table[] = {
        {"en_US", "Mon Jan 4 2003 9:15 AM", "Jan 4 2003 9:15 AM"},
        {"C", "Mon Jan 4 2003 9:15 AM", "Jan 4 2003 9:15 AM"},
        {"de_DE", "Mo. Jan. 4 2003 9:15 AM", "Jan. 4 2003 9:15 AM"},
        {"ja_JP", "\u6708 1\u6708 4 2003 9:15 AM", "1\u6708 4 2003 9:15 AM"},
    };
    for (const Expected& e : table) {
        const QLocale locale{QLatin1String(e.locale)};
        EXPECT_EQ(dateFormatExample(DayMonthDayYearTime, locale), QString::fromUtf8(e.dayMonth))
            << e.locale;
        EXPECT_EQ(dateFormatExample(MonthDayYearTime, locale), QString::fromUtf8(e.month))
            << e.locale;
    }
    for (const int format : {AsSent, RegionalShort, RegionalLong})
        EXPECT_EQ(dateFormatExample(format, QLocale::c()), QString()) << format;

    // Whatever the user's locale, a Monday in January is written with the example's names.
    const QString monday =
        normaliseDate(headerFor(QDateTime(QDate(2003, 1, 6), QTime(9, 15))), DayMonthDayYearTime);
    const QString example = dateFormatExample(DayMonthDayYearTime, QLocale::system());
    const QStringList mondayWords = monday.split(QLatin1Char(' '));
    const QStringList exampleWords = example.split(QLatin1Char(' '));
    ASSERT_GE(mondayWords.size(), 2);
    ASSERT_GE(exampleWords.size(), 2);
    EXPECT_EQ(mondayWords.mid(0, 2), exampleWords.mid(0, 2)) << monday.toStdString();
}

// The time of day is shown without the locale's zone name, and without the brackets or blanks
// that went with it.
TEST(DateTimeText, LongTimesCarryNoZoneNameNorItsBrackets) {
    const std::pair<const char*, const char*> table[] = {
        {"es_ES", "H:mm:ss"},           {"ca_ES", "H:mm:ss"},
        {"hr_HR", "HH:mm:ss"},          {"eu_ES", "HH:mm:ss"},
        {"fa_IR", "H:mm:ss"},           {"nds_DE", "'Klock' H.mm:ss"},
        {"en_US", "h:mm:ss AP"},        {"de_DE", "HH:mm:ss"},
        {"zh_CN", "HH:mm:ss"},          {"my_MM", "HH:mm:ss"},
        {"bg_BG", "H:mm:ss '\u0447'."}, {"ko_KR", "AP h\uc2dc m\ubd84 s\ucd08"},
    };
    for (const auto& [locale, format] : table) {
        const QLocale l{QLatin1String(locale)};
        EXPECT_EQ(DateTimeText::longTimeFormat(l), QString::fromUtf8(format)) << locale;
        EXPECT_FALSE(l.toString(QTime(13, 30, 48), DateTimeText::longTimeFormat(l))
                         .contains(QStringLiteral("()")))
            << locale;
    }
}

TEST(NormaliseDate, LocalMidnightShowsTheDateAloneInTheShortRegionalFormat) {
    const QDateTime midnight(QDate(2003, 7, 15), QTime(0, 0));
    const QString raw = headerFor(midnight);
    const QString shortDate = QLocale::system().toString(QDate(2003, 7, 15), QLocale::ShortFormat);
    EXPECT_EQ(normaliseDate(raw, RegionalShort), shortDate);
    EXPECT_TRUE(normaliseDate(raw, RegionalLong).endsWith(QStringLiteral(":00:00 AM")) ||
                normaliseDate(raw, RegionalLong).endsWith(QStringLiteral(" 00:00:00")));
    EXPECT_EQ(normaliseDate(raw, MonthDayYearTime), QStringLiteral("Jul 15 2003 12:00 AM"));
}

TEST(NormaliseDate, FormatsOutsideTwoToFiveGiveNothing) {
    for (const int format : {-1, 0, 1, 6})
        EXPECT_EQ(normaliseDate(QStringLiteral("4 Jan 2003 09:15:00 GMT"), format), QString())
            << format;
}

} // namespace
} // namespace mervantic
