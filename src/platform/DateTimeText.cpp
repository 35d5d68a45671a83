#include "platform/DateTimeText.h"

#include <QLocale>
#include <QRegularExpression>

namespace mervantic::DateTimeText {

namespace {

// Takes the zone name ("t", "tt"...) out of unquoted format text, with brackets that enclose
// it alone and the blanks that separated it.
QString withoutZone(QString text) {
    static const QRegularExpression bracketed(QStringLiteral("\\s*[(\\[]\\s*t+\\s*[)\\]]"));
    static const QRegularExpression bare(QStringLiteral("\\s*t+"));
    text.remove(bracketed);
    text.remove(bare);
    return text;
}

} // namespace

QString longTimeFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    // Quoted parts are literal text, where a "t" is a letter of a word.
    QString result;
    qsizetype start = 0;
    while (start < format.size()) {
        const qsizetype quote = format.indexOf(QLatin1Char('\''), start);
        if (quote < 0) {
            result += withoutZone(format.mid(start));
            break;
        }
        result += withoutZone(format.mid(start, quote - start));
        qsizetype end = format.indexOf(QLatin1Char('\''), quote + 1);
        end = end < 0 ? format.size() : end + 1;
        result += format.mid(quote, end - quote);
        start = end;
    }
    return result.simplified();
}

QString shortDate(const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString longTime(const QTime& time) {
    return QLocale::system().toString(time, longTimeFormat(QLocale::system()));
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
