#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>

namespace mervantic::test {

// A desktop's notification area as a test plays it on a private bus: the StatusNotifierWatcher
// that icons register with, with a host registered, so that a program shows its icon through
// StatusNotifierItem; and what the host does with a registered icon: activate it, read its menu
// (com.canonical.dbusmenu) and choose an item.
class FakeStatusNotifierHost : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    explicit FakeStatusNotifierHost(QDBusConnection bus);
    bool registered() const { return m_registered; }

    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

    // The first icon registered: its bus name and object path.
    QString itemService() const;
    QString itemPath() const;
    // A left click on the icon.
    bool activate();
    // The labels of the icon's menu, and a click on the item with this label.
    QStringList menuLabels();
    bool chooseMenuItem(const QString& label);

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    struct Item {
        int id;
        QString label;
    };
    std::vector<Item> menu();

    QDBusConnection m_bus;
    bool m_registered = false;
    QStringList m_items;
};

} // namespace mervantic::test
