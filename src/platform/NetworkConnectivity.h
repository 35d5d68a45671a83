#pragma once

#include "platform/Connectivity.h"

namespace mervantic {

// Asks the desktop's network information backend. Only a backend that positively reports
// "disconnected" counts as off-line: with no backend, or a backend that only knows of a local
// network, a server on this machine or the LAN may still be reachable.
class NetworkConnectivity final : public Connectivity {
public:
    NetworkConnectivity();
    bool isOnline() override;

private:
    bool m_backendLoaded = false;
};

} // namespace mervantic
