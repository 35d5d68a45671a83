#include "app/SystemTray.h"

#include <QSystemTrayIcon>

namespace mervantic {

namespace {

// Notification servers read the body as markup: it is escaped so that what it holds (sender
// names, subjects) shows as typed, brackets and all.
QString asMarkup(const QString& plain) {
    return plain.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

} // namespace

SystemTray::SystemTray(QObject* parent)
    : Tray(parent) {}

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

void SystemTray::notify(const QString& title, const QString& text) {
    if (m_icon)
        m_icon->showMessage(title, asMarkup(text), QSystemTrayIcon::Information);
}

} // namespace mervantic
