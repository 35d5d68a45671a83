#include "platform/SystemClock.h"

#include <QDeadlineTimer>

namespace mervantic {

std::uint32_t SystemClock::tickCount() const {
    // The monotonic clock in milliseconds, cut to 32 bits so that it wraps like a tick counter.
    const auto ms = QDeadlineTimer::current(Qt::PreciseTimer).deadline();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

} // namespace mervantic
