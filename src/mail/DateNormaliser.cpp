#include "mail/DateNormaliser.h"

#include "platform/DateTimeText.h"

#include <QLocale>

#include <array>
#include <utility>

namespace mervantic {

namespace {

// Removes blanks (not tabs) at both ends.
QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.sliced(first, last - first);
}

// 1-based position of the first blank at or after the 1-based position `from`; 0 when none.
qsizetype blankAfter(const QString& text, qsizetype from) {
    return text.indexOf(QLatin1Char(' '), from - 1) + 1;
}

std::optional<int> monthNumber(const QString& name) {
    static const std::array<const char*, 12> kEnglish = {"jan", "feb", "mar", "apr", "may", "jun",
                                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString lower = name.toLower();
    const QLocale locale = QLocale::system();
    for (int month = 1; month <= 12; ++month) {
        const QString english = QLatin1String(kEnglish[static_cast<std::size_t>(month - 1)]);
        if (lower == english || lower == QLocale::c().monthName(month).toLower())
            return month;
        if (lower == locale.monthName(month, QLocale::ShortFormat).toLower() ||
            lower == locale.monthName(month, QLocale::LongFormat).toLower())
            return month;
    }
    return std::nullopt;
}

std::optional<QDate> parseDatePart(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    bool dayOk = false;
    bool yearOk = false;
    const int day = parts[0].toInt(&dayOk);
    int year = parts[2].toInt(&yearOk);
    const std::optional<int> month = monthNumber(parts[1]);
    if (!dayOk || !yearOk || !month || parts[2].size() == 3 || year < 0)
        return std::nullopt;
    if (parts[2].size() <= 2)
        year += year < 30 ? 2000 : 1900; // the usual century window for two-digit years
    const QDate date(year, *month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> parseTimePart(QString text) {
    if (text.size() == 4)
        text = text.left(2) + QLatin1Char(':') + text.mid(2);
    else if (text.size() == 6)
        text = text.left(2) + QLatin1Char(':') + text.mid(2, 2) + QLatin1Char(':') + text.mid(4);
    else if (text.size() != 5 && text.size() != 8)
        return std::nullopt;
    const QTime time = QTime::fromString(text, text.size() == 5 ? QStringLiteral("HH:mm")
                                                                : QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// Minutes to add to the sender's time to reach UTC.
std::optional<int> zoneOffsetMinutes(QString zone) {
    if (zone.isEmpty())
        return std::nullopt;
    if (zone.size() > 5)
        zone.truncate(5);
    if (zone.size() == 5) {
        bool hoursOk = false;
        bool minutesOk = false;
        const int hours = zone.mid(1, 2).toInt(&hoursOk);
        const int minutes = zone.mid(3, 2).toInt(&minutesOk);
        if (!hoursOk || !minutesOk || !zone.at(1).isDigit() || !zone.at(3).isDigit())
            return std::nullopt;
        const int offset = hours * 60 + minutes;
        if (zone.at(0) == QLatin1Char('-'))
            return offset;
        if (zone.at(0) == QLatin1Char('+'))
            return -offset;
        return std::nullopt;
    }
    static const std::array<std::pair<const char*, int>, 35> kZones = {{
        {"Z", 0},     {"UT", 0},    {"GMT", 0},  {"A", -60},   {"B", -120},  {"C", -180},
        {"D", -240},  {"E", -300},  {"F", -360}, {"G", -420},  {"H", -480},  {"I", -540},
        {"K", -600},  {"L", -660},  {"M", -720}, {"N", 60},    {"O", 120},   {"P", 180},
        {"Q", 240},   {"EDT", 240}, {"R", 300},  {"EST", 300}, {"CDT", 300}, {"S", 360},
        {"CST", 360}, {"MDT", 360}, {"T", 420},  {"MST", 420}, {"PDT", 420}, {"U", 480},
        {"PST", 480}, {"V", 540},   {"W", 600},  {"X", 660},   {"Y", 720},
    }};
    const QString upper = zone.toUpper();
    for (const auto& [name, minutes] : kZones) {
        if (upper == QLatin1String(name))
            return minutes;
    }
    // Any other short zone name (J, BST, CET...) counts as UTC.
    return 0;
}

QString amPm(const QTime& time) {
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QString::number(hour12) + QLatin1Char(':') +
           QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0')) +
           (time.hour() < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
}

// The pattern of formats 4 and 5, "ddd mmm d yyyy h:Nn AM/PM" and "mmm d yyyy h:Nn AM/PM", with
// the day and month names of `locale`.
QString namedPattern(const QLocale& locale, int format, int dayOfWeek, const QDate& date,
                     const QTime& time) {
    QString text = locale.monthName(date.month(), QLocale::ShortFormat) + QLatin1Char(' ') +
                   QString::number(date.day()) + QLatin1Char(' ') + QString::number(date.year()) +
                   QLatin1Char(' ') + amPm(time);
    if (format == DayMonthDayYearTime)
        text.prepend(locale.dayName(dayOfWeek, QLocale::ShortFormat) + QLatin1Char(' '));
    return text;
}

QString formatLocal(const QDateTime& local, int format) {
    const QLocale locale = QLocale::system();
    const QDate date = local.date();
    const QTime time = local.time();
    switch (format) {
    case RegionalShort:
        if (time == QTime(0, 0))
            return locale.toString(date, QLocale::ShortFormat);
        return locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') +
               DateTimeText::longTime(time);
    case RegionalLong:
        return locale.toString(date, QLocale::LongFormat) + QLatin1Char(' ') +
               DateTimeText::longTime(time);
    case DayMonthDayYearTime:
    case MonthDayYearTime:
        return namedPattern(locale, format, date.dayOfWeek(), date, time);
    default:
        return {};
    }
}

} // namespace

std::optional<QDateTime> parseDateHeader(const QString& rawDate) {
    QString s = trimBlanks(rawDate);

    // An optional day name, which must be three letters and a comma.
    if (const qsizetype comma = s.indexOf(QLatin1Char(',')); comma >= 0) {
        if (comma + 1 != 4)
            return std::nullopt;
        s = trimBlanks(s.mid(4));
    }

    // Shape: day, month name and year separated by single blanks at fixed places.
    const qsizetype first = blankAfter(s, 1);
    if (first != 2 && first != 3)
        return std::nullopt;
    const qsizetype second = blankAfter(s, first + 1);
    if (second != 6 && second != 7)
        return std::nullopt;
    const qsizetype third = blankAfter(s, second + 1);
    if (third < 9 || third > 12)
        return std::nullopt;
    const std::optional<QDate> date = parseDatePart(trimBlanks(s.left(third - 1)));
    if (!date)
        return std::nullopt;

    // Drop day, month and year in turn to reach "time zone".
    QString rest = s;
    for (const qsizetype longest : {3, 4, 5}) {
        const qsizetype blank = blankAfter(rest, 1);
        if (blank < 1 || blank > longest)
            return std::nullopt;
        rest = trimBlanks(rest.mid(blank));
    }
    const qsizetype blank = blankAfter(rest, 1);
    if (blank < 5 || blank > 9)
        return std::nullopt;
    const std::optional<QTime> time = parseTimePart(trimBlanks(rest.left(blank - 1)));
    const std::optional<int> offset = zoneOffsetMinutes(trimBlanks(rest.mid(blank)));
    if (!time || !offset)
        return std::nullopt;

    return QDateTime(*date, *time, Qt::UTC).addSecs(std::int64_t{*offset} * 60);
}

QString normaliseDate(const QString& rawDate, int format) {
    if (format < RegionalShort || format > MonthDayYearTime)
        return {};
    const std::optional<QDateTime> utc = parseDateHeader(rawDate);
    if (!utc)
        return rawDate;
    const QDateTime local = utc->toLocalTime();
    if (!local.isValid())
        return rawDate;
    return formatLocal(local, format);
}

QString dateFormatExample(int format, const QLocale& locale) {
    // The example the format's choice has always shown, "Mon Jan 4 2003 9:15 AM", spelt with the
    // names the dates in that format will have, so the choice and the list speak one language.
    if (format != DayMonthDayYearTime && format != MonthDayYearTime)
        return {};
    return namedPattern(locale, format, Qt::Monday, QDate(2003, 1, 4), QTime(9, 15));
}

} // namespace mervantic
