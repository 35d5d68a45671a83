#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace mervantic {

// The desktop's notification service (org.freedesktop.Notifications on the session bus), where
// there is one: a notification replaces the one before rather than stacking on it, carries the
// actions "Open" and "Seen", and its text is sent as markup only to a service that reads markup
// (escaped, so that what it holds shows as typed), as plain text to any other. Nothing waits for
// the service: every call's answer comes back through the event loop.
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);

    // Whether a notification service is on the bus now.
    bool available() const { return m_available; }
    // Shows `title` and `text` (plain text) in place of the last notification. False when there
    // is no service to send it to.
    bool notify(const QString& title, const QString& text);

    static constexpr const char* kOpen = "open";
    static constexpr const char* kSeen = "seen";

Q_SIGNALS:
    // The user chose an action of the last notification.
    void openChosen();
    void seenChosen();

private Q_SLOTS:
    // The service's signals, which the bus delivers by name.
    void actionInvoked(uint id, const QString& key);
    void closed(uint id, uint reason);

private:
    void send(const QString& title, const QString& text);
    void act(const QString& key);
    // The answer to the last call has come: the newest notification waiting goes now.
    void answered();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    bool m_available = false;
    // Asked of the service once, the first time it is needed.
    std::optional<bool> m_readsMarkup;
    // A call is on its way; the newest notification waits for its answer, so that it can
    // replace the one before.
    bool m_busy = false;
    std::optional<std::pair<QString, QString>> m_waiting;
    uint m_lastId = 0;
    // An action on a notification whose number the answer to Notify has not brought yet: the
    // bus may hand the program the user's click before that answer. Judged when it comes.
    std::vector<std::pair<uint, QString>> m_early;
};

} // namespace mervantic
