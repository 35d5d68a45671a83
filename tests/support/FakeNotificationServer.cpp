#include "FakeNotificationServer.h"

#include <QDBusMessage>

namespace mervantic::test {

namespace {
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection bus, bool readsMarkup)
    : m_bus(std::move(bus))
    , m_readsMarkup(readsMarkup) {
    m_registered = m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
                   m_bus.registerService(kInterface);
}

QStringList FakeNotificationServer::GetCapabilities() {
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    if (m_readsMarkup)
        capabilities << QStringLiteral("body-markup");
    return capabilities;
}

uint FakeNotificationServer::Notify(const QString&, uint replacesId, const QString&,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap&, int) {
    const uint id = replacesId != 0 ? replacesId : m_nextId++;
    m_received.push_back({id, replacesId, summary, body, actions});
    if (!chooseOnArrival.isEmpty())
        choose(id, chooseOnArrival);
    return id;
}

void FakeNotificationServer::CloseNotification(uint) {}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                     QString& specVersion) {
    vendor = QStringLiteral("test");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake");
}

void FakeNotificationServer::choose(uint id, const QString& key) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    signal << id << key;
    m_bus.send(signal);
}

} // namespace mervantic::test
