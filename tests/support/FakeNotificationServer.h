#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace mervantic::test {

// The desktop's notification service as a test plays it on a private bus: it records each
// notification and can say that the user chose one of its actions.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        uint id;
        uint replaces;
        QString summary;
        QString body;
        QStringList actions;
    };

    FakeNotificationServer(QDBusConnection bus, bool readsMarkup);
    bool registered() const { return m_registered; }
    const QList<Notification>& received() const { return m_received; }
    // The user chose `key` on notification `id`.
    void choose(uint id, const QString& key);
    // When set, the user chooses `key` as the notification arrives, before the answer to Notify
    // leaves: the order in which a busy desktop may deliver the two.
    QString chooseOnArrival;

public Q_SLOTS:
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

private:
    QDBusConnection m_bus;
    bool m_readsMarkup;
    bool m_registered = false;
    uint m_nextId = 1;
    QList<Notification> m_received;
};

} // namespace mervantic::test
