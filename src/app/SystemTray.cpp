#include "app/SystemTray.h"

#include <QSystemTrayIcon>

namespace mervantic {

SystemTray::SystemTray(QObject* parent)
    : Tray(parent) {
    connect(&m_notifications, &DesktopNotifications::openChosen, this, &Tray::openChosen);
    connect(&m_notifications, &DesktopNotifications::seenChosen, this, &Tray::seenChosen);
}

SystemTray::~SystemTray() = default;

bool SystemTray::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTray::show(const QIcon& icon, const QString& toolTip, QMenu* menu) {
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(toolTip);
    m_icon->setContextMenu(menu);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT clicked();
            });
    m_icon->show();
}

void SystemTray::setToolTip(const QString& toolTip) {
    if (m_icon)
        m_icon->setToolTip(toolTip);
}

void SystemTray::setIcon(const QIcon& icon) {
    if (m_icon)
        m_icon->setIcon(icon);
}

void SystemTray::remove() {
    m_icon.reset();
}

bool SystemTray::shown() const {
    return m_icon != nullptr;
}

bool SystemTray::canNotify() const {
    return m_icon != nullptr || m_notifications.available();
}

void SystemTray::notify(const QString& title, const QString& text) {
    if (m_notifications.notify(title, text))
        return;
    // The icon's own balloon shows its text as it is.
    if (m_icon)
        m_icon->showMessage(title, text, QSystemTrayIcon::Information);
}

} // namespace mervantic
