#include "platform/WakeWatch.h"

#include <QNetworkInformation>

namespace mervantic {

WakeWatch::WakeWatch(QDBusConnection systemBus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(systemBus)) {
    m_bus.connect(QStringLiteral("org.freedesktop.login1"),
                  QStringLiteral("/org/freedesktop/login1"),
                  QStringLiteral("org.freedesktop.login1.Manager"),
                  QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    // The network backend, when the desktop has one: coming back on-line is a waking too.
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        QNetworkInformation* network = QNetworkInformation::instance();
        m_wasOffline = network->reachability() == QNetworkInformation::Reachability::Disconnected;
        connect(network, &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability reachability) {
                    const bool offline =
                        reachability == QNetworkInformation::Reachability::Disconnected;
                    if (m_wasOffline && !offline)
                        Q_EMIT woke();
                    m_wasOffline = offline;
                });
    }
}

void WakeWatch::prepareForSleep(bool sleeping) {
    if (!sleeping)
        Q_EMIT woke();
}

} // namespace mervantic
