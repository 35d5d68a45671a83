#include "platform/NetworkConnectivity.h"

#include <QNetworkInformation>

namespace mervantic {

NetworkConnectivity::NetworkConnectivity() {
    m_backendLoaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
}

bool NetworkConnectivity::isOnline() {
    if (!m_backendLoaded)
        return true;
    const auto* info = QNetworkInformation::instance();
    if (info == nullptr)
        return true;
    return info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

} // namespace mervantic
