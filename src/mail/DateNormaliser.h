#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace mervantic {

// The display formats of the "Date Sent" column, by their 1-based number.
enum DateFormat : int {
    AsSent = 1,
    RegionalShort = 2,
    RegionalLong = 3,
    DayMonthDayYearTime = 4,
    MonthDayYearTime = 5,
};

// The moment a Date header names, in UTC, when the header has the shape the program reads
// ("[Day,] d Mon yyyy hh:mm[:ss] zone").
std::optional<QDateTime> parseDateHeader(const QString& rawDate);

// The Date header in local time, in display format 2 to 5; the header unchanged when it
// cannot be read, and an empty text for any other format. Local time follows the time-zone rules
// in force at that date, so the same header always gives the same text.
QString normaliseDate(const QString& rawDate, int format);

// The example a date format's choice shows ("Mon Jan 4 2003 9:15 AM" for format 4), with the
// day and month names of `locale`; an empty text for the formats without one.
QString dateFormatExample(int format, const QLocale& locale);

} // namespace mervantic
