#pragma once

#include "app/AccountEditor.h"
#include "app/AccountMending.h"
#include "app/AccountSignIn.h"
#include "app/MainWindow.h"
#include "app/PasswordKeyring.h"
#include "app/SecretEntry.h"
#include "app/SignInWindow.h"
#include "app/Startup.h"
#include "app/WidgetBeeper.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"
#include "mail/SeenMemoryFile.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "platform/DesktopKeyring.h"
#include "platform/OAuthEndpoints.h"
#include "platform/OAuthRefresh.h"
#include "platform/Socket.h"
#include "pop3/KeptSecrets.h"
#include "pop3/MailChecker.h"
#include "store/AccountFile.h"
#include "store/AccountList.h"
#include "store/AccountListModel.h"
#include "store/ConnectionSettings.h"
#include "store/Settings.h"

#include <QNetworkAccessManager>
#include <QTimer>

#include <memory>

namespace mervantic {

class Dialogs;
class Tray;
class Desktop;

// The running program once start-up has settled its folders: the stored state, the lists and
// their models, the mail checker and the main window, with the load and the close that join
// them to the files.
class Program {
public:
    struct Services {
        Socket& socket;
        Clock& clock;
        Connectivity& connectivity;
        // The short warning of a refused key press, and the sound of new mail.
        Beeper& beeper;
        Beeper& newMailSound;
        Dialogs& dialogs;
        Tray& tray;
        Desktop& desktop;
    };

    Program(const StartupValues& startup, Services services);
    ~Program();

    // The window's load: reads and applies the settings file, then the account file.
    void load();
    CloseSequence& closing() { return *m_closing; }

    MainWindow& window() { return *m_window; }
    // A later start of the program asked for its window.
    void showWindow() { m_window->bringToFront(); }
    MailChecker& checker() { return *m_checker; }
    Settings& settings() { return m_settings; }
    AccountList& accounts() { return m_accounts; }
    MailList& mail() { return m_mail; }
    const QString& accountFilePath() const { return m_accountFile.path(); }
    const QString& seenMemoryPath() const { return m_seenFile.path(); }
    ConnectionSettings& connections() { return m_connections; }
    // The providers accounts sign in with; tests put their own in the place of the built-in.
    OAuthDirectory& oauthDirectory() { return m_oauthDirectory; }
    AccountSignIn& accountSignIn() { return m_accountSignIn; }
    // The sign-in window of the selected account, opened from the account page.
    SignInWindow& signInWindow() { return *m_signInWindow; }
    AccountMending& mending() { return *m_mending; }
    void openSignInWindow(int row);
    PasswordKeyring& passwordKeyring() { return m_passwordKeyring; }

    // The desktop as the load needs it: screen, work area and fonts.
    static DisplayFacts desktop();

private:
    void saveAccounts();
    void wirePasswordKeyring();
    // "Start At Login": the desktop's autostart entry, written or removed at once.
    void wireStartAtLogin();
    void saveSettings();
    void loadSeenMemory();
    void keepSettingsFileBounded();
    // Far more than the 626-byte record and anything a later version may add after it.
    static constexpr qint64 kLargestSettingsFile = 64 * 1024;
    void saveSeenMemory();
    void loadConnections();
    void saveConnections();

    StartupValues m_startup;
    Services m_services;
    Autostart m_autostart{m_startup.autostartFolder};
    Settings m_settings;
    SettingsRecord m_record;
    bool m_settingsReadable = true;
    AccountList m_accounts;
    AccountListModel m_accountModel;
    AccountFile m_accountFile;
    ConnectionSettings m_connections;
    ConnectionSettingsFile m_connectionsFile;
    // A file that could not be read is not written over by this run.
    bool m_connectionsWritable = true;
    // The warning of a save that failed during a run, said when the run is over.
    QString m_connectionsUnsaved;
    AccountEditor m_editor;
    // OAuth2: the providers, their tokens (refresh tokens in the desktop keyring) and the
    // sign-in started from the account page.
    QNetworkAccessManager m_network;
    OAuthDirectory m_oauthDirectory{m_network};
    OAuthRefresh m_oauthRefresh{m_network};
    DesktopKeyring m_keyring;
    KeptSecrets m_keptSecrets;
    AccountSignIn m_accountSignIn;
    PasswordKeyring m_passwordKeyring;
    SecretEntry m_secrets;
    MailList m_mail;
    MailListModel m_mailModel;
    SeenMemoryFile m_seenFile;
    // A file that could not be read is not written over by this run.
    bool m_seenFileWritable = true;
    // Changes to the seen memory are kept together, once the event that made them is over.
    QTimer m_seenSave;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<MailChecker> m_checker;
    std::unique_ptr<CloseSequence> m_closing;
    std::unique_ptr<SignInWindow> m_signInWindow;
    std::unique_ptr<AccountMending> m_mending;
};

} // namespace mervantic
