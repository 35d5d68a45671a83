#include "app/MainMenus.h"

#include <QMenu>
#include <QWidget>

namespace mervantic {

namespace {

QMenu* makeMenu(QWidget* owner, const char* name) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

// Menu items keep the names their menu entries had in the original design.
QAction* addItem(QMenu* menu, const char* name, const char* text) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

MainMenus::MainMenus(QWidget* owner)
    : QObject(owner)
    , main(makeMenu(owner, "MainMenu"))
    , help(addItem(main, "mnuHelp", "&Help"))
    , about(addItem(main, "mnuAbout", "&About"))
    , textFonts(addItem(main, "mnuFonts", "&Text Fonts"))
    , showRawData(addItem(main, "mnuShowData", "&Show POP3 Data In Pop-Up Window"))
    , mailList(makeMenu(owner, "MailListMenu"))
    , checkAll(addItem(mailList, "mnuCheckAll", "Check All"))
    , uncheckAll(addItem(mailList, "mnuUnCheckAll", "Un-Check All"))
    , checkAllForUser(nullptr)
    , uncheckAllForUser(nullptr)
    , failedRow(makeMenu(owner, "FailedRowMenu"))
    , mend(addItem(failedRow, "mnuMend", "Mend"))
    , accountSettings(addItem(failedRow, "mnuFailedAccountSettings", "Account &Settings..."))
    , checkAgain(addItem(failedRow, "mnuCheckAgain", "&Check Mail Again"))
    , account(makeMenu(owner, "AccountMenu"))
    , moveUp(addItem(account, "mnuMoveUp", "Move &Up"))
    , moveDown(addItem(account, "mnuMovedown", "Move &Down"))
    , moveToTop(addItem(account, "mnuToTop", "Move To &Top"))
    , moveToBottom(addItem(account, "mnuToBot", "Move To &Bottom"))
    , deleteSelected(nullptr)
    , changePassword(nullptr)
    , copyToBoxes(nullptr)
    , changeToBoxes(nullptr)
    , trustCertificate(nullptr)
    , signIn(nullptr)
    , accountWindow(nullptr)
    , tray(makeMenu(owner, "mnuTrayIconPop1"))
    , trayOpen(addItem(tray, "mnuTrayIcoShow", "Open"))
    , trayClose(addItem(tray, "mnuTrayIcoExit", "Close"))
    , trayHideMenu(addItem(tray, "mnuTrayHideMenu", "Hide Menu")) {
    showRawData->setCheckable(true);
    mailList->addSeparator();
    checkAllForUser = addItem(mailList, "mnuCheckAllForUser", "Check All For User");
    uncheckAllForUser = addItem(mailList, "mnuUnCheckAllForUser", "Un-Check All For User");
    account->addSeparator();
    deleteSelected = addItem(account, "mnuDelete", "Delete &Selected User (Disregards CheckBox)");
    account->addSeparator();
    changePassword = addItem(account, "mnuChangePass", "Enter New Password For Selected Item");
    account->addSeparator();
    copyToBoxes = addItem(account, "mnuCopyToBoxes", "Copy Selected Item To The Boxes");
    changeToBoxes = addItem(account, "mnuChangeToBoxes", "Change Selected Item To The Boxes");
    trustCertificate = addItem(account, "mnuTrustCertificate", "Trust This Certificate");
    signIn = addItem(account, "mnuSignIn", "Sign-In (Password Or OAuth2)...");
    accountWindow = addItem(account, "mnuAccountSettings", "Account Settings...");
    // "Open" is what a double click on the icon does too, as the first item of a failed row's
    // menu is what Enter does on it.
    QFont bold = trayOpen->font();
    bold.setBold(true);
    trayOpen->setFont(bold);
    mend->setFont(bold);
    failedRow->setDefaultAction(mend);
}

} // namespace mervantic
