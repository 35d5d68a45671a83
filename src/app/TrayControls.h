#pragma once

#include <QObject>
#include <QSet>

#include <functional>

namespace mervantic {

class MailChecker;
class MailList;
class MainMenus;
class Tray;

// The window's notification-area icon: added at the first showing when the option was in force
// at start, a click showing or hiding the window, its menu, its tool tip (the caption, the new
// mail and the failed accounts of the last check), and a notification of new mail, or of an
// account that began to fail, found while the window is not in view.
class TrayControls final : public QObject {
    Q_OBJECT

public:
    struct Parts {
        Tray& tray;
        // The window it shows and hides, whose caption and icon it takes.
        QWidget& window;
        MainMenus& menus;
        MailList& mail;
        // Whose alarm it shows and whose checks it tells of.
        MailChecker& checker;
        std::function<void()> bringWindowToFront;
        std::function<void()> closeProgram;
    };

    explicit TrayControls(Parts parts);

    // At the window's first showing.
    void addIcon();
    void showWindow();

private:
    QString toolTip() const;
    void checkEnded();
    // Whether the user can see the window now: shown, not minimized, the active window.
    bool windowInView() const;

    Tray& m_tray;
    QWidget& m_window;
    MainMenus& m_menus;
    MailList& m_mail;
    std::function<void()> m_bringWindowToFront;
    // The accounts that failed at the last check: an account is announced when it begins to
    // fail, not at every timed re-check while it goes on failing.
    QSet<QString> m_failing;
};

} // namespace mervantic
