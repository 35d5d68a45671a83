#pragma once

#include <QDateTime>

namespace mervantic::OleDate {

// An OLE date: days since 30 December 1899 (local time), the fraction being the time of day.
// Before that day the whole part counts back and the fraction still counts forward.
QDateTime toDateTime(double oleDate);
double fromDateTime(const QDateTime& moment);

} // namespace mervantic::OleDate
