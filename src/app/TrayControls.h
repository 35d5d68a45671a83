#pragma once

#include "pop3/RunState.h"

#include <QObject>

namespace mervantic {

class MailList;
class MainMenus;
class MainWindow;
class RunPresenter;
class Tray;

// The window's notification-area icon: added at the first showing when the option was in force
// at start, a click showing or hiding the window, its menu, its tool tip (the caption and the new
// mail of the last check), and a notification of new mail found while the window is hidden.
class TrayControls final : public QObject {
    Q_OBJECT

public:
    TrayControls(Tray& tray, MainWindow& window, MainMenus& menus, RunPresenter& presenter,
                 MailList& mail);

    // At the window's first showing.
    void addIcon();
    void showWindow();

private:
    QString toolTip() const;
    void checkEnded();

    Tray& m_tray;
    MainWindow& m_window;
    MainMenus& m_menus;
    MailList& m_mail;
    RunActivity m_lastActivity = RunActivity::Idle;
};

} // namespace mervantic
