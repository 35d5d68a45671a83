#pragma once

namespace mervantic {

// Whether the computer has a network connection that can reach a mail server.
class Connectivity {
public:
    virtual ~Connectivity() = default;
    virtual bool isOnline() = 0;
};

} // namespace mervantic
