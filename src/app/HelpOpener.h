#pragma once

#include <QString>
#include <QUrl>

namespace mervantic {

class Desktop;

// "&Help": the help page beside the program, in the maker's companion browser when it is
// installed one folder up, else in whatever the desktop opens web pages with.
class HelpOpener {
public:
    HelpOpener(Desktop& desktop, QString appFolder);

    // Empty when the page was handed to a browser; else why not, with where the page is.
    QString open();

    QString helpPath() const;
    // Where the companion browser would be; empty when the program folder has no parent.
    QString companionBrowser() const;
    QUrl helpUrl() const;

private:
    Desktop& m_desktop;
    QString m_appFolder;
};

} // namespace mervantic
