#include "FakeStatusNotifierHost.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDateTime>

namespace mervantic::test {

namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");

// One node of a dbusmenu layout: (id, properties, children), its children nodes again.
void readLayout(const QDBusArgument& node, std::vector<std::pair<int, QString>>& items) {
    int id = 0;
    QVariantMap properties;
    QVariantList children;
    node.beginStructure();
    node >> id >> properties >> children;
    node.endStructure();
    if (properties.contains(QStringLiteral("label")))
        items.emplace_back(id, properties.value(QStringLiteral("label")).toString());
    // Each child arrives as a variant holding its own node.
    for (const QVariant& child : children) {
        const QVariant inner = child.userType() == qMetaTypeId<QDBusVariant>()
                                   ? child.value<QDBusVariant>().variant()
                                   : child;
        readLayout(inner.value<QDBusArgument>(), items);
    }
}

} // namespace

FakeStatusNotifierHost::FakeStatusNotifierHost(QDBusConnection bus)
    : m_bus(std::move(bus)) {
    m_registered =
        m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                 QDBusConnection::ExportAllProperties) &&
        m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void FakeStatusNotifierHost::RegisterStatusNotifierItem(const QString& service) {
    // An item names itself by its bus name, or by its object path on the caller's name.
    QString full = service;
    if (service.startsWith(QLatin1Char('/')))
        full = message().service() + service;
    m_items << full;
    Q_EMIT StatusNotifierItemRegistered(full);
}

void FakeStatusNotifierHost::RegisterStatusNotifierHost(const QString&) {}

QString FakeStatusNotifierHost::itemService() const {
    if (m_items.isEmpty())
        return {};
    const QString item = m_items.first();
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    return slash < 0 ? item : item.left(slash);
}

QString FakeStatusNotifierHost::itemPath() const {
    if (m_items.isEmpty())
        return {};
    const QString item = m_items.first();
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
}

bool FakeStatusNotifierHost::activate() {
    QDBusInterface item(itemService(), itemPath(), kItemInterface, m_bus);
    return item.call(QStringLiteral("Activate"), 10, 10).type() != QDBusMessage::ErrorMessage;
}

std::vector<FakeStatusNotifierHost::Item> FakeStatusNotifierHost::menu() {
    QDBusInterface item(itemService(), itemPath(), kItemInterface, m_bus);
    const QDBusObjectPath menuPath = item.property("Menu").value<QDBusObjectPath>();
    QDBusMessage call = QDBusMessage::createMethodCall(itemService(), menuPath.path(),
                                                       kMenuInterface, QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = m_bus.call(call);
    std::vector<Item> found;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return found;
    std::vector<std::pair<int, QString>> items;
    readLayout(reply.arguments().at(1).value<QDBusArgument>(), items);
    for (const auto& [id, label] : items)
        found.push_back({id, label});
    return found;
}

QStringList FakeStatusNotifierHost::menuLabels() {
    QStringList labels;
    for (const Item& entry : menu())
        labels << entry.label;
    return labels;
}

bool FakeStatusNotifierHost::chooseMenuItem(const QString& label) {
    QDBusInterface item(itemService(), itemPath(), kItemInterface, m_bus);
    const QDBusObjectPath menuPath = item.property("Menu").value<QDBusObjectPath>();
    for (const Item& entry : menu()) {
        if (entry.label != label)
            continue;
        QDBusMessage event = QDBusMessage::createMethodCall(
            itemService(), menuPath.path(), kMenuInterface, QStringLiteral("Event"));
        event << entry.id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0))
              << static_cast<uint>(QDateTime::currentSecsSinceEpoch());
        return m_bus.call(event).type() != QDBusMessage::ErrorMessage;
    }
    return false;
}

} // namespace mervantic::test
