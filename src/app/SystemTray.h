#pragma once

#include "app/Tray.h"
#include "platform/DesktopNotifications.h"

#include <memory>

class QSystemTrayIcon;

namespace mervantic {

// The notification-area icon of the desktop, through QSystemTrayIcon (StatusNotifierItem where
// the desktop has a watcher, XEmbed otherwise), and notifications through the desktop's
// notification service, or the icon's balloon where there is none.
class SystemTray final : public Tray {
    Q_OBJECT

public:
    explicit SystemTray(QObject* parent = nullptr);
    ~SystemTray() override;

    bool available() const override;
    void show(const QIcon& icon, const QString& toolTip, QMenu* menu) override;
    void setToolTip(const QString& toolTip) override;
    void setIcon(const QIcon& icon) override;
    void remove() override;
    bool shown() const override;
    bool canNotify() const override;
    void notify(const QString& title, const QString& text) override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    DesktopNotifications m_notifications;
};

} // namespace mervantic
