#include "app/HelpOpener.h"

#include "platform/Desktop.h"

namespace mervantic {

HelpOpener::HelpOpener(Desktop& desktop, QString appFolder)
    : m_desktop(desktop)
    , m_appFolder(std::move(appFolder)) {}

QString HelpOpener::helpPath() const {
    return installedFile(m_appFolder, QStringLiteral("MervanticHelp.htm"),
                         [this](const QString& path) { return m_desktop.fileExists(path); });
}

QString HelpOpener::companionBrowser() const {
    const qsizetype slash = m_appFolder.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return m_appFolder.left(slash) + QStringLiteral("/Orbelin2/Orbelin2");
}

QUrl HelpOpener::helpUrl() const {
    // The path as it is: folder names keep their letter case here, and spaces are escaped.
    return QUrl::fromLocalFile(helpPath());
}

void HelpOpener::open() {
    const QString browser = companionBrowser();
    if (!browser.isEmpty() && m_desktop.fileExists(browser)) {
        m_desktop.startProgram(browser, {helpPath()});
        return;
    }
    m_desktop.openUrl(helpUrl());
}

} // namespace mervantic
