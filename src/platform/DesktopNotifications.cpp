#include "platform/DesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace mervantic {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// A notification about mail waits until the user dismisses it.
constexpr int kNeverExpires = 0;

QString asMarkup(const QString& plain) {
    return plain.toHtmlEscaped();
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_watcher(kService, m_bus,
                QDBusServiceWatcher::WatchForRegistration |
                    QDBusServiceWatcher::WatchForUnregistration) {
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                  SLOT(closed(uint, uint)));
    // Whether the service is there is known from the bus itself, and followed from then on;
    // a new service is asked anew what it reads.
    const QDBusConnectionInterface* names = m_bus.interface();
    m_available = m_bus.isConnected() && names != nullptr && names->isServiceRegistered(kService);
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        m_available = true;
        m_readsMarkup.reset();
        m_lastId = 0;
        m_busy = false;
    });
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { m_available = false; });
}

bool DesktopNotifications::notify(const QString& title, const QString& text) {
    if (!m_available)
        return false;
    if (m_busy) {
        m_waiting = std::pair(title, text);
        return true;
    }
    if (m_readsMarkup) {
        send(title, text);
        return true;
    }
    // The service is asked once what it reads; the notification goes when it has said.
    m_waiting = std::pair(title, text);
    m_busy = true;
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kService,
                                                            QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QStringList> capabilities = *call;
                m_readsMarkup = !capabilities.isError() &&
                                capabilities.value().contains(QStringLiteral("body-markup"));
                answered();
            });
    return true;
}

void DesktopNotifications::answered() {
    m_busy = false;
    if (!m_waiting)
        return;
    const auto [title, text] = *std::exchange(m_waiting, std::nullopt);
    send(title, text);
}

void DesktopNotifications::send(const QString& title, const QString& text) {
    const QStringList actions = {QLatin1String(kOpen), QStringLiteral("Open"), QLatin1String(kSeen),
                                 QStringLiteral("Seen")};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("mervantic"));
    hints.insert(QStringLiteral("category"), QStringLiteral("email.arrived"));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Mervantic") << m_lastId << QStringLiteral("mervantic") << title
         << (m_readsMarkup.value_or(false) ? asMarkup(text) : text) << actions << hints
         << kNeverExpires;
    m_busy = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<uint> id = *answer;
                if (!id.isError())
                    m_lastId = id.value();
                for (const auto& [early, key] : std::exchange(m_early, {})) {
                    if (early == m_lastId && m_lastId != 0)
                        act(key);
                }
                answered();
            });
}

void DesktopNotifications::actionInvoked(uint id, const QString& key) {
    if (id != m_lastId) {
        // Perhaps ours, its number not known yet; a few at most are kept (others' come too).
        if (m_busy && m_early.size() < 8)
            m_early.emplace_back(id, key);
        return;
    }
    act(key);
}

void DesktopNotifications::act(const QString& key) {
    if (key == QLatin1String(kOpen))
        Q_EMIT openChosen();
    else if (key == QLatin1String(kSeen))
        Q_EMIT seenChosen();
}

void DesktopNotifications::closed(uint id, uint /*reason*/) {
    // A closed notification cannot be replaced: the next one is new.
    if (id == m_lastId)
        m_lastId = 0;
}

} // namespace mervantic
