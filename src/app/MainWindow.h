#pragma once

#include "app/AboutWindow.h"
#include "app/CloseSequence.h"
#include "app/HelpOpener.h"
#include "app/Startup.h"
#include "pop3/RunState.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QTabWidget;

namespace mervantic {

class AccountColumns;
class AccountEditor;
class AccountListModel;
class AccountPage;
class Beeper;
class BottomRow;
class Clock;
class Connectivity;
class Desktop;
class Dialogs;
class LogPane;
class MailChecker;
class MailList;
class MailListModel;
class MailColumns;
class MailListView;
class MainMenus;
class RunPresenter;
class SecretEntry;
class Settings;
class SettingsPage;
class SettingsPageController;
class Socket;
class StatusBar;
class TimerControls;
class Tray;
class TrayControls;

// The pages behind the tab strip, numbered as its tabs.
enum class Page : int { Mail = 1, Settings = 2, Accounts = 3 };

// The program's one main window: the tab strip with the mail list, the settings page and the
// account page, the bottom row, the log pane and the status bar. It shows the mail checker's runs
// (its presenter is the checker's view) and forwards the user's clicks to it, lays out its
// parts, switches pages and handles the window's own events; its parts (the menus, the run's
// presentation, the two pages' controllers, the icon) do the rest.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    struct Parts {
        Settings& settings;
        MailList& mail;
        MailListModel& mailModel;
        AccountListModel& accountModel;
        AccountEditor& editor;
        SecretEntry& secrets;
        Dialogs& dialogs;
        StartupValues startup;
        const Clock& clock;
        // The short warning of a refused key press.
        Beeper& beeper;
        Tray& tray;
        Desktop& desktop;
    };

    // The outer size below which the window does not go (5,760 x 5,505 twips).
    static constexpr QSize kMinimumSize{384, 367};
    // How long rows found by a check wait to be shown together.
    static constexpr int kRowBatchMs = 100;

    explicit MainWindow(Parts parts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Joins the window to the mail checker, which shows its runs through presenter(): the
    // buttons, the settings page's timer and alarm, and the icon act on it from now on.
    void attach(MailChecker& checker);

    // Asked whenever the window is to close; false keeps it open.
    using CloseHandler = std::function<bool(CloseSequence::Reason reason)>;
    void setCloseHandler(CloseHandler handler) { m_closeHandler = std::move(handler); }
    // Closes the window as the program does ("Close" on the icon's menu, the end of a delayed
    // close, the end of the session): never hidden, never delayed.
    void closeByProgram();
    // The About and raw-data windows go with the main window.
    void closeSecondaryWindows();
    // Shows the window, hidden or minimized as it may be, raised and active.
    void bringToFront();
    // Started at login: the icon in the notification area and the window hidden until it is
    // clicked; what the window's first showing does (the check on opening) is done now.
    void startInNotificationArea();

    // Applies the working settings: fonts, geometry, column widths, the first page, the
    // last-check caption. Part of the window's load.
    void applySettings();
    // Takes the geometry (normal state only) and column widths (not when minimized) into the
    // working settings, for the close.
    void takeWindowValues();

    // The same as a click on the page's tab.
    void selectTab(Page page);
    Page currentTab() const;
    bool activated() const { return m_activated; }

    LogPane* logPane() const { return m_log; }
    StatusBar* statusBar() const { return m_status; }
    SettingsPage* settingsPage() const { return m_settingsPage; }
    AccountPage* accountPage() const { return m_accountPage; }
    MailListView* mailListView() const { return m_mailView; }
    BottomRow* bottomRow() const { return m_bottomRow; }
    MainMenus& menus() const { return *m_menus; }
    SettingsPageController& settingsController() const { return *m_settingsController; }
    TimerControls& timerControls() const { return *m_timerControls; }
    RunPresenter& presenter() const { return *m_presenter; }
    AboutWindow* aboutWindow() const { return m_about; }
    // "&Text Fonts": the font dialog, then the chosen font on the lists and boxes.
    void chooseAndApplyFont();

    // The rectangle the pages share, in twips.
    QRectF pageArea() const;

Q_SIGNALS:
    // Enter or a double-click on a row of the mail list (from 1), between runs.
    void mailRowActivated(int row);
    // The menu of a failed account's row (from 1), at `at`.
    void failedRowMenuWanted(int row, const QPoint& at);
    // Enter or a double-click on an account of the account list (from 1), or its menu's
    // "Account Settings...".
    void accountWindowWanted(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wireControls();
    void wireChecker();
    void layOut();
    void rememberGeometry();
    // Whether the desktop lets a program place its windows and tells it where they are.
    static bool placesItsWindows();
    void firstActivation();
    void onTabChanged(int index);
    void applyToolTips();
    void applyFont();
    void toggleLog();
    void popUpMailListMenu(const QPoint& at);
    void showAbout();
    void applyThemeColours(bool visualStyles);
    void enableMailButtons();
    // A run (or the delete run's confirmation) keeps the mail page's buttons and menu busy.
    bool runInProgress() const;

    Settings& m_settings;
    MailList& m_mail;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    StartupValues m_startup;
    CloseHandler m_closeHandler;
    CloseSequence::Reason m_closeReason = CloseSequence::Reason::User;
    HelpOpener m_help;
    QPointer<AboutWindow> m_about;
    bool m_visualStyles = false;

    QTabWidget* m_tabs;
    MailListView* m_mailView;
    MailColumns* m_mailColumns;
    AccountColumns* m_accountColumns = nullptr;
    SettingsPage* m_settingsPage;
    AccountPage* m_accountPage;
    LogPane* m_log;
    StatusBar* m_status;
    BottomRow* m_bottomRow;
    MainMenus* m_menus;
    RunPresenter* m_presenter;
    MailChecker* m_checker = nullptr;
    Tray& m_tray;
    SecretEntry& m_secrets;
    AccountListModel& m_accountModel;
    SettingsPageController* m_settingsController = nullptr;
    TrayControls* m_trayControls = nullptr;
    TimerControls* m_timerControls = nullptr;

    bool m_activated = false;
    bool m_applyingSettings = false;
    // Where the window was put because its stored place did not fit the screen; null when it
    // stands where it was stored.
    QRect m_placed;
};

} // namespace mervantic
