#include "platform/DateTimeText.h"

#include <QLocale>

namespace mervantic::DateTimeText {

namespace {

// The locale's long time format ends in a time-zone name ("t"); the time alone is wanted.
QString longTimeFormat() {
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

QString shortDate(const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString longTime(const QTime& time) {
    return QLocale::system().toString(time, longTimeFormat());
}

QString stamp(const QDateTime& moment) {
    return shortDate(moment.date()) + QLatin1Char(' ') + longTime(moment.time());
}

QString general(const QDateTime& moment) {
    if (moment.time() == QTime(0, 0))
        return shortDate(moment.date());
    return stamp(moment);
}

} // namespace mervantic::DateTimeText
