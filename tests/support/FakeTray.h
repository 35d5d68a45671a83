#pragma once

#include "app/Tray.h"

#include <QStringList>

namespace mervantic::test {

// A notification area that records what the program shows in it; `available` says whether the
// desktop has one.
class FakeTray final : public Tray {
    Q_OBJECT

public:
    bool available() const override { return isAvailable; }
    void show(const QIcon& icon_, const QString& toolTip_, QMenu* menu_) override {
        icon = icon_;
        toolTip = toolTip_;
        menu = menu_;
        isShown = true;
    }
    void setToolTip(const QString& toolTip_) override { toolTip = toolTip_; }
    void setIcon(const QIcon& icon_) override { icon = icon_; }
    void remove() override { isShown = false; }
    bool shown() const override { return isShown; }
    bool canNotify() const override { return isShown || hasNotificationService; }
    void notify(const QString& title, const QString& text) override {
        notifications << title + QStringLiteral(" | ") + text;
    }
    void click() { Q_EMIT clicked(); }

    bool isAvailable = true;
    bool hasNotificationService = false;
    bool isShown = false;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
    QStringList notifications;
};

} // namespace mervantic::test
