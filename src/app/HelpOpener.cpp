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

QString HelpOpener::open() {
    const QString page = helpPath();
    const QString browser = companionBrowser();
    if (!browser.isEmpty() && m_desktop.fileExists(browser) &&
        m_desktop.startProgram(browser, {page}))
        return {};
    if (m_desktop.openUrl(helpUrl()))
        return {};
    // Nothing here could show it: the user is told where it is, to open it some other way.
    QString why = QStringLiteral("The Help Page Could Not Be Opened: This Desktop Has No Program "
                                 "That Opens Web Pages (xdg-open And A Browser). It Is At ") +
                  page;
    if (!m_desktop.fileExists(page))
        why += QStringLiteral(", Where It Is Missing Too: Installing Mervantic Again Puts It Back");
    return why;
}

} // namespace mervantic
