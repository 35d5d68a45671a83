#include "store/OleDate.h"

#include <cmath>

namespace mervantic::OleDate {

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

QDateTime toDateTime(double oleDate) {
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3e6)
        return QDateTime(kEpoch, QTime(0, 0));
    const double days = std::trunc(oleDate);
    const double fraction = std::fabs(oleDate - days);
    auto ms = static_cast<int>(std::llround(fraction * kMsPerDay));
    QDate date = kEpoch.addDays(static_cast<qint64>(days));
    if (ms >= static_cast<int>(kMsPerDay)) {
        date = date.addDays(1);
        ms = 0;
    }
    // The date and the time of day are taken as they are written: counting milliseconds from
    // local midnight would move the time by an hour on the days the clocks change.
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
}

double fromDateTime(const QDateTime& moment) {
    const double days = static_cast<double>(kEpoch.daysTo(moment.date()));
    const double fraction = moment.time().msecsSinceStartOfDay() / kMsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

} // namespace mervantic::OleDate
