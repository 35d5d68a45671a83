#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;

namespace mervantic {

// The program's icon in the desktop's notification area. A seam, so that tests can stand in for
// a desktop with or without a notification area.
class Tray : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the desktop offers a notification area at all.
    virtual bool available() const = 0;
    virtual void show(const QIcon& icon, const QString& toolTip, QMenu* menu) = 0;
    virtual void setToolTip(const QString& toolTip) = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void remove() = 0;
    virtual bool shown() const = 0;
    // Whether a notification can be shown now: through the desktop's notification service, or
    // the icon's own balloon while the icon is shown.
    virtual bool canNotify() const = 0;
    // A desktop notification; title and text are plain text. It replaces the one before.
    virtual void notify(const QString& title, const QString& text) = 0;

Q_SIGNALS:
    // A left click on the icon.
    void clicked();
    // The actions of a notification: "Open" (the window) and "Seen" (what the button does).
    void openChosen();
    void seenChosen();
};

} // namespace mervantic
