#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace mervantic {

// The program's four pop-up menus. None stands in a menu bar; each is opened by code: the main
// menu by the "Menu" button, the mail list's and the account list's menus by a right click on
// their list, the tray menu by a right click on the notification-area icon.
class MainMenus final : public QObject {
    Q_OBJECT

public:
    explicit MainMenus(QWidget* owner);

    QMenu* main;
    QAction* help;
    QAction* about;
    QAction* textFonts;
    QAction* showRawData;

    QMenu* mailList;
    QAction* checkAll;
    QAction* uncheckAll;
    QAction* checkAllForUser;
    QAction* uncheckAllForUser;

    // A failed account's row: what mends it (named for the failure, the default), its settings
    // window, and another check.
    QMenu* failedRow;
    QAction* mend;
    QAction* accountSettings;
    QAction* checkAgain;

    QMenu* account;
    QAction* moveUp;
    QAction* moveDown;
    QAction* moveToTop;
    QAction* moveToBottom;
    QAction* deleteSelected;
    QAction* changePassword;
    // Beside the items of old: an account's user name, server and port changed in place.
    QAction* copyToBoxes;
    QAction* changeToBoxes;
    QAction* trustCertificate;
    QAction* signIn;
    QAction* accountWindow;

    QMenu* tray;
    QAction* trayOpen;
    QAction* trayClose;
    QAction* trayHideMenu;
};

} // namespace mervantic
