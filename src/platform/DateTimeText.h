#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace mervantic {

// Dates and times as the user's regional settings write them.
namespace DateTimeText {

// The locale's long time format without its time-zone name and whatever surrounds the name
// ("H:mm:ss (t)" becomes "H:mm:ss"); quoted literal text is kept as it is.
QString longTimeFormat(const QLocale& locale);

// The short date form, e.g. "12/10/26".
QString shortDate(const QDate& date);
// The long time form without a time-zone name, e.g. "9:15:02 AM".
QString longTime(const QTime& time);
// Short date, one blank, long time: how the log and the status bar stamp a moment.
QString stamp(const QDateTime& moment);
// The general date form: the date alone at midnight, otherwise the date and the long time.
QString general(const QDateTime& moment);

} // namespace DateTimeText

} // namespace mervantic
