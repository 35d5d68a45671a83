#pragma once

#include "platform/Clock.h"

namespace mervantic {

class SystemClock final : public Clock {
public:
    std::uint32_t tickCount() const override;
    QDateTime now() const override;
};

} // namespace mervantic
