#pragma once

#include <QDateTime>

#include <cstdint>

namespace mervantic {

// Time as the program sees it: a 32-bit millisecond tick count that wraps round after about
// 49.7 days, and the wall-clock date and time. Tests replace it to move time at will.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() const = 0;
    virtual QDateTime now() const = 0;
};

} // namespace mervantic
