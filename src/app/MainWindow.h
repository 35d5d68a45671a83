#pragma once

#include "app/Startup.h"
#include "pop3/RunView.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;

namespace mervantic {

class AccountEditor;
class AccountListModel;
class AccountPage;
class Beeper;
class Dialogs;
class LogPane;
class MailChecker;
class MailList;
class MailListModel;
class MailListView;
class Settings;
class SecretEntry;
class SettingsPage;
class StatusBar;

// The program's one main window: the tab strip with the mail list, the settings page and the
// account page, the bottom row of buttons, the log pane and the status bar. It renders what the
// mail checker says and forwards the user's clicks to it.
class MainWindow final : public QWidget, public RunView {
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
        Beeper& beeper;
        StartupValues startup;
    };

    // The outer size below which the window does not go (5,760 x 5,505 twips).
    static constexpr QSize kMinimumSize{384, 367};

    explicit MainWindow(Parts parts, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setChecker(MailChecker* checker) { m_checker = checker; }
    // Called when the window closes for good; false keeps it open.
    void setCloseHandler(std::function<bool()> handler) { m_closeHandler = std::move(handler); }

    // Applies the working settings: fonts, geometry, column widths, the first page, the
    // last-check caption. Part of the window's load.
    void applySettings();
    // Takes the geometry (normal state only) and column widths (not when minimized) into the
    // working settings, for the close.
    void takeWindowValues();

    // 1 to 3; the same as a click on the tab.
    void selectTab(int tab);
    int currentTab() const;
    bool activated() const { return m_activated; }

    // RunView
    void logBeginRun(const QString& firstLine) override;
    void logAppend(const QString& line) override;
    void logEndRun() override;
    void showStatus(const QString& text) override;
    void showRunControls(bool running, bool deleteMailEnabled) override;
    void selectMailPage() override;
    void setCaption(const QString& caption) override;
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& question) override;
    void showRawBlock(QByteArrayView block) override;

    LogPane* logPane() const { return m_log; }
    StatusBar* statusBar() const { return m_status; }
    SettingsPage* settingsPage() const { return m_settingsPage; }
    AccountPage* accountPage() const { return m_accountPage; }
    MailListView* mailListView() const { return m_mailView; }
    QTabWidget* tabStrip() const { return m_tabs; }
    QMenu* accountMenu() const { return m_accountMenu; }

    // The rectangle the pages share, in twips.
    QRectF pageArea() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* addBottomButton(const QString& name, const QString& caption, int x, int width);
    void buildMenus();
    void wireControls();
    void layOut();
    void rememberGeometry();
    void firstActivation();
    void onTabChanged(int index);
    void onOptionClicked(int number, bool on);
    void applyToolTips();
    void applyFont();
    void toggleLog();
    void wireAccountPage();
    // The account list's selected row (from 1), 0 when none is selected.
    int selectedAccount() const;
    void selectAccount(int row);
    void stepTimeout(int direction);
    bool runInProgress() const;

    Settings& m_settings;
    MailList& m_mail;
    AccountListModel& m_accountModel;
    AccountEditor& m_editor;
    SecretEntry& m_secrets;
    Dialogs& m_dialogs;
    Beeper& m_beeper;
    StartupValues m_startup;
    MailChecker* m_checker = nullptr;
    std::function<bool()> m_closeHandler;

    QTabWidget* m_tabs;
    MailListView* m_mailView;
    SettingsPage* m_settingsPage;
    AccountPage* m_accountPage;
    LogPane* m_log;
    StatusBar* m_status;
    QLineEdit* m_recheckBox;
    QPushButton* m_checkMail;
    QPushButton* m_seen;
    QPushButton* m_deleteMail;
    QPushButton* m_cancel;
    QPushButton* m_menuButton;
    QPushButton* m_logButton;
    QWidget* m_alarm;
    QMenu* m_mainMenu = nullptr;
    QMenu* m_mailListMenu = nullptr;
    QMenu* m_accountMenu = nullptr;
    QMenu* m_trayMenu = nullptr;

    bool m_activated = false;
    bool m_applyingSettings = false;
    bool m_timeoutRepeat = false;
};

} // namespace mervantic
