#pragma once

#include "platform/Beeper.h"

namespace mervantic {

class WidgetBeeper final : public Beeper {
public:
    void beep() override;
};

} // namespace mervantic
