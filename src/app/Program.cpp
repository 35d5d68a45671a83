#include "app/Program.h"

#include "app/AccountPage.h"
#include "app/Dialogs.h"
#include "app/MainMenus.h"
#include "app/RunPresenter.h"
#include "app/SettingsPage.h"
#include "app/Tray.h"
#include "app/Twips.h"
#include "store/AccountKey.h"
#include "store/DataFile.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace mervantic {

Program::Program(const StartupValues& startup, Services services)
    : m_startup(startup)
    , m_services(services)
    , m_accountModel(m_accounts)
    , m_accountFile(startup.dataFolder + QStringLiteral("/mervuser.ini"))
    , m_connectionsFile(startup.dataFolder + QStringLiteral("/mervconn.json"))
    , m_editor(m_accountModel, m_accountFile, m_connections, services.dialogs, services.beeper)
    , m_keptSecrets({m_connections, m_oauthDirectory, m_oauthRefresh, m_keyring, services.clock})
    , m_accountSignIn({m_connections, m_oauthDirectory, m_keptSecrets, services.desktop, m_network})
    , m_passwordKeyring({m_accountModel, m_connections, m_keyring, m_keptSecrets,
                         [this](QString* why) {
                             if (!m_accountFile.writable()) {
                                 *why = QStringLiteral("it could not be read at start");
                                 return false;
                             }
                             return m_accountFile.save(m_accounts, {}, 0, why);
                         }})
    , m_secrets(m_settings, services.dialogs)
    , m_mailModel(m_mail)
    , m_seenFile(startup.dataFolder + QStringLiteral("/mervseen.dat")) {
    m_seenSave.setSingleShot(true);
    m_seenSave.setInterval(0);
    QObject::connect(&m_seenSave, &QTimer::timeout, [this] { saveSeenMemory(); });
    QObject::connect(&m_mail, &MailList::seenMemoryChanged, &m_seenSave,
                     qOverload<>(&QTimer::start));
    // Connection settings change seldom (an edit, a server first seen over STARTTLS) and a lost
    // one matters: each change is written at once.
    m_connections.setChanged([this] { saveConnections(); });
    m_window = std::make_unique<MainWindow>(MainWindow::Parts{
        m_settings, m_mail, m_mailModel, m_accountModel, m_editor, m_secrets, services.dialogs,
        startup, services.clock, services.beeper, services.tray, services.desktop});
    // The checker shows its runs through the window's presenter; the window, the icon and the
    // closing act on it and observe its phase.
    m_checker = std::make_unique<MailChecker>(
        services.socket, services.clock, services.connectivity, services.newMailSound,
        m_window->presenter(), m_settings.options, m_accounts, m_mail, m_connections);
    m_window->attach(*m_checker);
    m_checker->connection().setSecrets(&m_keptSecrets);
    m_signInWindow = std::make_unique<SignInWindow>(m_connections, m_accountSignIn);
    const auto openSelected = [this] {
        const QModelIndexList rows =
            m_window->accountPage()->list()->selectionModel()->selectedRows();
        openSignInWindow(rows.isEmpty() ? 0 : rows.first().row() + 1);
    };
    QObject::connect(m_window->accountPage()->signInButton(), &QPushButton::clicked, m_window.get(),
                     openSelected);
    QObject::connect(m_window->menus().signIn, &QAction::triggered, m_window.get(), openSelected);
    m_mending = std::make_unique<AccountMending>(
        AccountMending::Parts{*m_window,
                              m_window->menus(),
                              m_mail,
                              *m_checker,
                              services.dialogs,
                              m_connections,
                              {m_accountModel, m_editor, m_connections, m_keptSecrets,
                               m_checker->loginDelays(), services.dialogs},
                              [this](int row) { openSignInWindow(row); }});
    // A sign-in made or saved while the account's window is open shows there.
    const auto signInChanged = [this](const MailboxAddress& account) {
        AccountWindow& shown = m_mending->accountWindow();
        if (shown.isVisible() && shown.account() == account)
            shown.showSignIn();
    };
    QObject::connect(
        &m_accountSignIn, &AccountSignIn::ended, m_window.get(),
        [signInChanged](const MailboxAddress& account, const QString&) { signInChanged(account); });
    QObject::connect(m_signInWindow.get(), &SignInWindow::saved, m_window.get(), signInChanged);
    wirePasswordKeyring();
    wireStartAtLogin();
    // A failed save of the connection settings said during a run would stop it in a message
    // box: it is said once the run is over.
    QObject::connect(&m_checker->runs(), &RunTracker::ended, m_window.get(), [this] {
        if (!m_connectionsUnsaved.isEmpty())
            m_services.dialogs.warn(std::exchange(m_connectionsUnsaved, {}));
    });
    // An account changed in place: its rows show it as it is now, and what was seen of it
    // stays seen.
    m_editor.setAccountChanged([this](const AccountRow& before, const AccountRow& after) {
        m_mail.changeAccount({before.username, before.server, before.port},
                             {after.username, after.server, after.port}, after.displayName,
                             AccountKey::password(after.key).value_or(QString()));
    });
    m_editor.setAccountRemoved(
        [this](const MailboxAddress& account) { m_keptSecrets.removeAll(account); });
    MainWindow& window = *m_window;
    m_closing = std::make_unique<CloseSequence>(
        CloseSequence::Parts{window, *m_checker, *window.logPane(), *window.statusBar(), m_settings,
                             services.tray, [this] { saveAccounts(); }, [this] { saveSettings(); },
                             [&window] { window.takeWindowValues(); },
                             [this, &window] {
                                 window.closeSecondaryWindows();
                                 // A Sign-In window left open would keep the program running with
                                 // no main window.
                                 m_signInWindow->close();
                                 m_mending->accountWindow().close();
                             },
                             [&window] { window.closeByProgram(); }});
    m_window->setCloseHandler(
        [this](CloseSequence::Reason reason) { return m_closing->closeRequested(reason); });
    // The end of the desktop session closes the program as its "Close" does.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, m_window.get(),
                     [this] { m_window->closeByProgram(); });
}

void Program::wirePasswordKeyring() {
    QCheckBox* check = m_window->settingsPage()->keyringCheck();
    QObject::connect(check, &QCheckBox::clicked, m_window.get(), [this, check](bool on) {
        check->setEnabled(false);
        if (on)
            m_passwordKeyring.turnOn();
        else
            m_passwordKeyring.turnOff();
    });
    QObject::connect(&m_passwordKeyring, &PasswordKeyring::finished, m_window.get(),
                     [this, check](bool on, const QString& message) {
                         check->setChecked(on);
                         check->setEnabled(true);
                         if (!message.isEmpty())
                             m_services.dialogs.message(message);
                     });
    // An account added, or a password typed anew, goes to the keyring too while the setting is
    // on, once the change that brought it is over.
    const auto sweepLater = [this] {
        QTimer::singleShot(0, &m_passwordKeyring, [this] { m_passwordKeyring.sweep(); });
    };
    QObject::connect(&m_accountModel, &QAbstractItemModel::rowsInserted, &m_passwordKeyring,
                     sweepLater);
    QObject::connect(&m_accountModel, &QAbstractItemModel::dataChanged, &m_passwordKeyring,
                     sweepLater);
}

void Program::wireStartAtLogin() {
    QCheckBox* check = m_window->settingsPage()->startAtLoginCheck();
    check->setChecked(m_autostart.enabled());
    QObject::connect(check, &QCheckBox::clicked, m_window.get(), [this, check](bool on) {
        QString why;
        const bool done = on ? m_autostart.enable(QCoreApplication::applicationFilePath(), &why)
                             : m_autostart.disable(&why);
        if (!done)
            m_services.dialogs.message(
                QStringLiteral("Start At Login Could Not Be ") +
                (on ? QStringLiteral("Switched On: ") : QStringLiteral("Switched Off: ")) + why);
        // The box shows what the desktop will do.
        check->setChecked(m_autostart.enabled());
    });
}

void Program::openSignInWindow(int row) {
    if (row < 1 || row > m_accounts.count()) {
        m_services.beeper.beep();
        return;
    }
    const AccountRow& account = m_accounts.at(row);
    m_signInWindow->showFor({account.username, account.server, account.port}, account.displayName);
}

Program::~Program() {
    // The closing goes first, then the window, then the checker the window's parts act on:
    // they refer to the lists, to the window and to the checker.
    m_closing.reset();
    m_mending.reset();
    m_signInWindow.reset();
    m_window.reset();
    m_checker.reset();
}

DisplayFacts Program::desktop() {
    DisplayFacts facts;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        facts.screenWidth = static_cast<float>(Twips::fromPixels(screen->geometry().width()));
        facts.screenHeight = static_cast<float>(Twips::fromPixels(screen->geometry().height()));
        facts.workArea = Twips::fromPixels(screen->availableGeometry());
    } else {
        facts.screenWidth = static_cast<float>(Twips::fromPixels(1024));
        facts.screenHeight = static_cast<float>(Twips::fromPixels(768));
        facts.workArea = Twips::fromPixels(QRect(0, 0, 1024, 768));
    }
    const QStringList families = QFontDatabase::families();
    facts.fontInstalled = [families](const QString& family) { return families.contains(family); };
    facts.desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    facts.firstInstalledFont = families.isEmpty() ? QString() : families.first();
    return facts;
}

void Program::load() {
    QString why;
    const std::optional<SettingsRecord> record =
        SettingsFile::read(m_startup.settingsFilePath, &why);
    // What could not be read is not written over with defaults at the close.
    m_settingsReadable = record.has_value();
    if (!record)
        m_services.dialogs.message(QStringLiteral("An Error Occurred Loading App Data\n") + why);
    m_record = record.value_or(SettingsRecord());
    if (record)
        keepSettingsFileBounded();
    m_settings = Settings::load(m_record, desktop());
    m_settings.runPassword = m_startup.runPassword;

    // A file that could not be read is said once, here; this run never writes it.
    AccountList loaded;
    const QString file = QStringLiteral("The Username File ") + m_accountFile.path();
    const QString leftAlone = QStringLiteral(", And The File Is Left As It Is");
    if (m_accountFile.load(loaded) != AccountFile::LoadResult::Loaded) {
        m_services.dialogs.message(file + QLatin1Char(' ') + m_accountFile.whyNotLoaded() +
                                   QStringLiteral(": No Usernames Were Loaded") + leftAlone);
    } else if (!m_accountFile.damage().isEmpty()) {
        // A file whose damaged bytes the next save would change is kept as it is first.
        QString notKept;
        const QString kept = m_accountFile.damageChangesFile()
                                 ? setAsideDamaged(m_accountFile.path(), &notKept, SetAside::Copy)
                                 : QString();
        QString said = file + QStringLiteral(" Is Damaged: ") + m_accountFile.damage() +
                       QStringLiteral(". That Account Is Listed But Not Checked Until You "
                                      "Change It");
        if (!kept.isEmpty())
            said += QStringLiteral(". The Damaged File Is Kept As ") + kept;
        else if (!notKept.isEmpty())
            said += QStringLiteral("; The Damaged File Could Not Be Kept Aside (%1)").arg(notKept);
        m_services.dialogs.message(said);
    }
    m_accountModel.replaceAll(std::move(loaded));
    loadConnections();
    m_window->settingsPage()->keyringCheck()->setChecked(m_connections.keepPasswordsInKeyring());
    loadSeenMemory();
    m_window->applySettings();
}

void Program::keepSettingsFileBounded() {
    // The record is all the program writes; a file far larger (a sparse file, another
    // program's) would be copied whole at every close. It is kept aside, and a file of the
    // record alone takes its place at once.
    const QString& path = m_startup.settingsFilePath;
    const qint64 size = QFileInfo(path).size();
    if (size <= kLargestSettingsFile)
        return;
    QString why;
    const QString kept = setAsideDamaged(path, &why);
    if (kept.isEmpty() || !SettingsFile::write(path, m_record, &why)) {
        m_settingsReadable = false;
        m_services.dialogs.message(
            QStringLiteral("The Settings File %1 Holds %2 Bytes, Far More Than Its Settings, And "
                           "Could Not Be Replaced (%3): It Is Left As It Is And Not Written")
                .arg(path)
                .arg(size)
                .arg(why));
        return;
    }
    m_services.dialogs.message(
        QStringLiteral("The Settings File %1 Held %2 Bytes, Far More Than Its Settings: Its "
                       "Settings Are Used. The Damaged File Is Kept As %3")
            .arg(path)
            .arg(size)
            .arg(kept));
}

void Program::loadSeenMemory() {
    SeenMemory memory;
    const QString file = QStringLiteral("The Seen-Mail File ") + m_seenFile.path();
    switch (m_seenFile.load(memory)) {
    case SeenMemoryFile::LoadResult::Loaded:
    case SeenMemoryFile::LoadResult::Missing:
        break;
    case SeenMemoryFile::LoadResult::Unreadable:
        m_seenFileWritable = false;
        m_services.dialogs.message(file + QStringLiteral(" Cannot Be Read: Mail Seen Before Is "
                                                         "Shown As New, And The File Is Left As "
                                                         "It Is"));
        break;
    case SeenMemoryFile::LoadResult::Damaged: {
        // What could be read is used; the file itself is kept aside before a new one is made.
        QString why;
        const QString kept = setAsideDamaged(m_seenFile.path(), &why);
        m_seenFileWritable = !kept.isEmpty();
        const QString known =
            QStringLiteral(": Messages It Could Read Are Remembered (%1), Other Mail Seen Before "
                           "Is Shown As New")
                .arg(memory.messageCount());
        m_services.dialogs.message(
            file + QStringLiteral(" Is Damaged (") + m_seenFile.damage() + QLatin1Char(')') +
            known +
            (kept.isEmpty() ? QStringLiteral(". It Could Not Be Kept Aside (%1), So It Is Left "
                                             "As It Is")
                                  .arg(why)
                            : QStringLiteral(". The Damaged File Is Kept As ") + kept));
        break;
    }
    }
    m_mail.setSeenMemory(std::move(memory));
}

void Program::saveSeenMemory() {
    m_seenSave.stop();
    // Nothing is lost when this fails: the memory is a convenience, and the next save tries
    // again.
    if (m_seenFileWritable)
        (void)m_seenFile.save(m_mail.seenMemory());
}

void Program::loadConnections() {
    QString why;
    const ConnectionSettingsFile::LoadResult read = m_connectionsFile.load(m_connections, &why);
    if (read != ConnectionSettingsFile::LoadResult::Unreadable &&
        read != ConnectionSettingsFile::LoadResult::Damaged)
        return;
    // Security fails closed: with the accounts' security and trusted certificates unknown, no
    // account is checked (a password could otherwise go in the clear, or to a certificate the
    // user had not trusted), and the file is kept as it is for the user to mend.
    m_connectionsWritable = false;
    const QString file = QStringLiteral("The Connection Settings File ") + m_connectionsFile.path();
    m_connections.setUnknown(file + QLatin1Char(' ') + why);
    m_services.dialogs.message(
        file + QLatin1Char(' ') + why +
        QStringLiteral(": No Account Is Checked Until It Is Mended Or Removed, Since Their "
                       "Security And Trusted Certificates Are Not Known; The File Is Left As It "
                       "Is"));
}

void Program::saveConnections() {
    if (!m_connectionsWritable)
        return;
    QString why;
    if (m_connectionsFile.save(m_connections, &why)) {
        m_connectionsUnsaved.clear();
        return;
    }
    const QString warning =
        QStringLiteral("An Error Occurred Saving The Connection Settings File\n") + why;
    if (m_checker && m_checker->phase() != RunPhase::Idle)
        m_connectionsUnsaved = warning;
    else
        m_services.dialogs.warn(warning);
}

void Program::saveAccounts() {
    // A file this run could not read was said so at start, and is left as it is.
    if (!m_accountFile.writable())
        return;
    // A save that fails leaves the old file whole; the user is told before the program goes on.
    QString why;
    if (!m_accounts.isEmpty() && !m_accountFile.save(m_accounts, {}, 0, &why))
        m_services.dialogs.warn(
            QStringLiteral("An Error Occurred Saving Changes To Username File\n") + why);
}

void Program::saveSettings() {
    m_record = m_settings.store(m_record);
    QString why;
    if (m_settingsReadable && !SettingsFile::write(m_startup.settingsFilePath, m_record, &why))
        m_services.dialogs.warn(QStringLiteral("An Error Occurred Saving App Data\n") + why);
    // What the list shows now is what the next start remembers.
    m_mail.foldIntoMemory();
    saveSeenMemory();
}

} // namespace mervantic
