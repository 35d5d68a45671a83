#pragma once

namespace mervantic {

// The short warning sound of the desktop. The widget layer supplies the real one; the core
// only asks for a beep so that its tests can count them.
class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

} // namespace mervantic
