// The notification-area icon, the ways the window closes, and the settings pages' "Defaults".
#include "DovecotServer.h"
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/CloseSequence.h"
#include "app/LogPane.h"
#include "app/MainMenus.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "mail/MailList.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"
#include "store/PasswordScrambler.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::Script;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class TrayAndClosing : public test::ProgramFixture {
protected:
    SettingsRecord saved() { return SettingsRecord::fromBytes(readAll(settingsFile())); }
};

TEST_F(TrayAndClosing, WithTheTrayOptionTheCloseBoxHidesTheWindowAndRewritesOnlyTheAccounts) {
    record.trayOnClose = 1;
    addAccount(1101);
    start();
    EXPECT_TRUE(tray.isShown);
    EXPECT_EQ(tray.toolTip, QStringLiteral("Mervantic email"));
    EXPECT_EQ(tray.menu, window().menus().tray);
    EXPECT_TRUE(window().menus().trayOpen->font().bold());
    const QByteArray settingsBefore = readAll(settingsFile());
    QFile::remove(accountFile());
    find<QCheckBox>("Check3")->click(); // a change that only a real close would save

    EXPECT_FALSE(window().close());
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(QFile::exists(accountFile())); // rewritten on every close attempt
    EXPECT_EQ(readAll(settingsFile()), settingsBefore);
    EXPECT_TRUE(tray.isShown);

    // A left click on the icon shows the window, another hides it; "Open" shows it.
    tray.click();
    EXPECT_TRUE(window().isVisible());
    tray.click();
    EXPECT_FALSE(window().isVisible());
    window().menus().trayOpen->trigger();
    EXPECT_TRUE(window().isVisible());

    // "Close" on the icon's menu ends the program, saving everything.
    ASSERT_TRUE(programEndsAfter([this] { window().menus().trayClose->trigger(); }));
    EXPECT_EQ(saved().useRetr, 1);
    EXPECT_FALSE(tray.isShown);
}

TEST_F(TrayAndClosing, WithoutANotificationAreaTheWindowIsMinimizedAndTheLogSaysWhyOnce) {
    record.trayOnClose = 1;
    tray.isAvailable = false;
    start();
    EXPECT_FALSE(tray.isShown);
    EXPECT_FALSE(window().close());
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().isMinimized());
    const QString why =
        QStringLiteral("..This Desktop Has No Notification Area: The Window Is Minimized Instead");
    EXPECT_EQ(window().logPane()->content().count(why), 1);
    window().showNormal();
    EXPECT_FALSE(window().close());
    EXPECT_EQ(window().logPane()->content().count(why), 1);
    // Closed again while minimized, it closes: the program can always be ended.
    ASSERT_TRUE(programEndsAfter([this] { window().close(); }));
}

TEST_F(TrayAndClosing, CloseFromTheIconsMenuDuringARunClosesAtOnce) {
    record.trayOnClose = 1;
    addAccount(1101);
    Script script = Script::loggedOn().expect("STAT").pause();
    socket.addScript(1101, script);
    start();
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return socket.paused(); }));
    ASSERT_TRUE(programEndsAfter([this] { window().menus().trayClose->trigger(); }));
    EXPECT_FALSE(program->closing().delaying());
    EXPECT_EQ(program->closing().delayTicks(), 0);
}

TEST_F(TrayAndClosing, ASecondCloseWhileTheCloseIsDelayedClosesAtOnce) {
    addAccount(1101);
    socket.addScript(1101, Script::loggedOn().expect("STAT").silence());
    start();
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return socket.sent().contains(QStringLiteral("STAT")); }));
    EXPECT_FALSE(window().close());
    EXPECT_TRUE(program->closing().delaying());
    EXPECT_EQ(program->checker().phase(), RunPhase::Closing);
    ASSERT_TRUE(programEndsAfter([this] { window().close(); }));
    EXPECT_EQ(program->closing().delayTicks(), 1);
}

TEST_F(TrayAndClosing, ClosingWhileMinimizedKeepsTheSavedGeometryAndWidths) {
    addAccount(1101);
    record.windowLeft = 50 * 15;
    record.windowTop = 40 * 15;
    start();
    window().resize(720, 500);
    QHeaderView* header = find<QTreeView>("ListView1")->header();
    header->resizeSection(2, 250);
    test::settle();
    window().showMinimized();
    test::settle();
    window().resize(800, 560); // changes made while minimized are not the user's normal state
    header->resizeSection(2, 300);
    ASSERT_TRUE(programEndsAfter([this] { window().close(); }));
    const SettingsRecord r = saved();
    EXPECT_EQ(r.windowWidth, 720 * 15.0f);
    EXPECT_EQ(r.windowHeight, 500 * 15.0f);
    EXPECT_EQ(r.mailColWidth3, 1440.0f); // as loaded, not as shown while minimized
}

// A close during a check of a large mailbox on a real server: the run is asked to stop, ends the
// conversation with QUIT, and the window closes on the first tick after.
TEST_F(TrayAndClosing, ACloseDuringARunAgainstDovecotWaitsForTheQuitAndSaves) {
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning()) << server.why().toStdString();
    const QString user = QStringLiteral("largebox");
    server.addUser(user, QStringLiteral("pw"));
    for (int n = 1; n <= 3000; ++n)
        server.deliver(user, "From: a@example.org\r\nSubject: Message " + QByteArray::number(n) +
                                 "\r\n\r\nbody\r\n");
    accounts.append({QStringLiteral("Large"), user, QStringLiteral("127.0.0.1"),
                     QString::number(server.port()), AccountKey::make(1, QStringLiteral("pw")),
                     false});
    ClientSocket realSocket;
    SystemClock realClock;
    network = &realSocket;
    networkClock = &realClock;
    start();
    program->closing().setTickInterval(50);
    find<QCheckBox>("Check3")->click();
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->mail().count() >= 100; }));
    ASSERT_TRUE(programEndsAfter([this] { window().close(); }));
    EXPECT_LE(program->closing().delayTicks(), 3);
    const QStringList log = window().logPane()->content().split(QStringLiteral("\r\n"));
    const qsizetype bye = log.indexOf(QStringLiteral("+OK Logging out."));
    ASSERT_GE(bye, 0);
    EXPECT_EQ(log.last(), QStringLiteral("..Process Halted: Operation Canceled"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(saved().useRetr, 1);
    EXPECT_EQ(server.mailbox(user).size(), 3000);
}

// While the window is hidden, new mail is announced through the icon.
TEST_F(TrayAndClosing, NewMailFoundWhileHiddenIsAnnouncedThroughTheIcon) {
    record.trayOnClose = 1;
    addAccount(1101);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 10\r\n");
    script.expect("TOP 1 2").serve("+OK\r\nFrom: <b>Ann</b>\r\nSubject: <img src=x>\r\n\r\n.\r\n");
    script.expect("TOP 2 2").serve("+OK\r\nFrom: Bob\r\nSubject: Lunch\r\n\r\n.\r\n");
    script.expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, script);
    start();
    EXPECT_FALSE(window().close()); // hidden in the notification area
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    ASSERT_EQ(tray.notifications.size(), 1);
    EXPECT_EQ(tray.notifications.first(),
              QStringLiteral("Mervantic | 2 New Mail Items\n<b>Ann</b>: <img src=x>\nBob: Lunch"));
    EXPECT_TRUE(tray.toolTip.startsWith(QStringLiteral("Mervantic email - last check: ")));
    EXPECT_TRUE(tray.toolTip.endsWith(QStringLiteral("\n2 New Mail Items")));
    // Shown and active, the window says it itself: no notification. (The offscreen platform does
    // not activate a window shown again; a desktop does.)
    window().menus().trayOpen->trigger();
    QApplication::setActiveWindow(&window());
    ASSERT_TRUE(window().isActiveWindow());
    socket.addScript(1101, script);
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_EQ(tray.notifications.size(), 1);
}

// A check that halts before it begins (no account left) finds nothing: the mail still listed
// from before is not announced again.
TEST_F(TrayAndClosing, ACheckHaltedBeforeItBeganAnnouncesNothing) {
    record.trayOnClose = 1;
    addAccount(1101);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 1 10\r\n");
    script.expect("TOP 1 2").serve("+OK\r\nFrom: Ann\r\nSubject: Hi\r\n\r\n.\r\n");
    script.expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, script);
    start();
    EXPECT_FALSE(window().close()); // hidden in the notification area
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    ASSERT_EQ(tray.notifications.size(), 1);
    program->accounts().clear(); // "No Usernames Are Configured."
    program->checker().checkOnOpen();
    EXPECT_EQ(program->checker().phase(), RunPhase::Idle);
    EXPECT_EQ(tray.notifications.size(), 1);
    EXPECT_EQ(program->mail().newMessageCount(), 1);
}

// Out of view is hidden, minimized or not the active window; with the desktop's notification
// service the user is told even without an icon. A cancelled check counts no rows that went.
TEST_F(TrayAndClosing, NewMailIsAnnouncedWheneverTheWindowIsOutOfView) {
    addAccount(1101);
    Script one = Script::loggedOn();
    one.expect("STAT").serve("+OK 1 10\r\n");
    one.expect("TOP 1 2").serve("+OK\r\nFrom: Ann\r\nSubject: Hi\r\n\r\n.\r\n");
    one.expect("QUIT").serve("+OK\r\n");
    tray.hasNotificationService = true; // and no icon: the option is off
    start();
    ASSERT_FALSE(tray.isShown);
    const auto check = [this](const Script& script) {
        socket.addScript(1101, script);
        program->checker().checkMailButton();
        return test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; });
    };
    window().showMinimized();
    ASSERT_TRUE(check(one));
    ASSERT_EQ(tray.notifications.size(), 1);
    EXPECT_EQ(tray.notifications.first(), QStringLiteral("Mervantic | 1 New Mail Item\nAnn: Hi"));

    window().showNormal();
    QApplication::setActiveWindow(nullptr); // shown, but another window has the focus
    ASSERT_TRUE(check(one));
    EXPECT_EQ(tray.notifications.size(), 2);

    // A check cancelled after its first message: the list is emptied, and so is the count.
    Script paused = Script::loggedOn();
    paused.expect("STAT").serve("+OK 2 10\r\n");
    paused.expect("TOP 1 2").serve("+OK\r\nFrom: Bob\r\nSubject: Lunch\r\n\r\n.\r\n");
    paused.expect("TOP 2 2").pause();
    socket.addScript(1101, paused);
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return socket.paused(); }));
    program->checker().cancel();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_EQ(program->mail().newMessageCount(), 0);
    EXPECT_EQ(tray.notifications.size(), 2);
    EXPECT_FALSE(tray.toolTip.contains(QStringLiteral("New Mail")));
}

struct DefaultsCase {
    const char* name;
    int page;
    // The record before; what page, window and file hold after Yes.
    std::function<void(SettingsRecord&)> before;
    std::function<void(const SettingsRecord&)> after;
    QStringList messages;
};

TEST_F(TrayAndClosing, EachDefaultsButtonRestoresItsPageOnYesAndNothingOnNo) {
    const std::vector<DefaultsCase> cases = {
        {"page 1",
         1,
         [](SettingsRecord& r) {
             r.checkOnlyChecked = r.autoCheckOnOpen = r.soundOnNewMail = r.continuousAlarm = 1;
             r.idleIfOffline = r.autoStartTimer = r.deleteEnabled = 1;
             r.recheckMinutes = 7;
             r.useRetr = r.trayOnClose = 1; // other pages' values stay
         },
         [](const SettingsRecord& r) {
             EXPECT_EQ(r.checkOnlyChecked + r.autoCheckOnOpen + r.soundOnNewMail +
                           r.continuousAlarm + r.idleIfOffline + r.autoStartTimer + r.deleteEnabled,
                       0);
             EXPECT_EQ(r.recheckMinutes, 30);
             EXPECT_EQ(r.useRetr, 1);
             EXPECT_EQ(r.trayOnClose, 1);
         },
         {}},
        {"page 2",
         2,
         [](SettingsRecord& r) {
             r.trayOnClose = 1;
             r.noToolTips = 1;
             r.dateFormat = 4;
             r.serverTimeout = 5000LL * 10000;
             r.deleteEnabled = 1;
         },
         [](const SettingsRecord& r) {
             EXPECT_EQ(r.trayOnClose, 0);
             EXPECT_EQ(r.noToolTips, 0);
             EXPECT_EQ(r.dateFormat, 1);
             EXPECT_EQ(r.serverTimeout, 180000LL * 10000);
             EXPECT_EQ(r.deleteEnabled, 1);
         },
         {QStringLiteral("Tray Icon Setting Change Will Be Applied Next App Run.")}},
        {"page 3",
         3,
         [](SettingsRecord& r) {
             r.useRetr = r.useApop = r.passwordsAsSecrets = 1;
             r.apopSecretScrambled =
                 PasswordScrambler::scramblePassword(QStringLiteral("tanstaaf"));
             r.recheckMinutes = 7;
         },
         [](const SettingsRecord& r) {
             EXPECT_EQ(r.useRetr + r.useApop + r.passwordsAsSecrets, 0);
             EXPECT_EQ(PasswordScrambler::unscramblePassword(r.apopSecretScrambled), QString());
             EXPECT_EQ(r.recheckMinutes, 7);
         },
         {}},
    };
    const char* buttons[] = {nullptr, "Command14", "Command13", "Command12"};
    for (const DefaultsCase& c : cases) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (yes ? " Yes" : " No"));
            program.reset();
            record = baseRecord();
            c.before(record);
            start();
            const QByteArray before = readAll(settingsFile());
            window().selectTab(Page::Settings);
            window().settingsPage()->showSubPage(c.page);
            dialogs.messages.clear();
            dialogs.answers = {yes};
            QTest::mouseClick(find<QPushButton>(buttons[c.page]), Qt::LeftButton);
            ASSERT_TRUE(programEndsAfter([this] { window().closeByProgram(); }));
            if (!yes) {
                SettingsRecord unchanged = SettingsRecord::fromBytes(before);
                const SettingsRecord now = saved();
                EXPECT_EQ(now.recheckMinutes, unchanged.recheckMinutes);
                EXPECT_EQ(now.dateFormat, unchanged.dateFormat);
                EXPECT_EQ(now.serverTimeout, unchanged.serverTimeout);
                EXPECT_EQ(now.trayOnClose, unchanged.trayOnClose);
                EXPECT_EQ(now.useApop, unchanged.useApop);
                EXPECT_TRUE(dialogs.messages.isEmpty());
                continue;
            }
            c.after(saved());
            EXPECT_EQ(dialogs.messages, c.messages);
        }
    }
}

TEST_F(TrayAndClosing, DefaultsShowTheirValuesOnThePage) {
    record.recheckMinutes = 50;
    record.serverTimeout = 5000LL * 10000;
    record.dateFormat = 3;
    record.deleteEnabled = 1;
    start();
    QTest::mouseDClick(find<QLineEdit>("Text10"), Qt::LeftButton); // the timer on
    for (int minute = 0; minute < 35; ++minute)
        program->checker().recheck().tick();
    EXPECT_EQ(find<QLineEdit>("Text10")->text(), QStringLiteral("15"));
    socket.addScript(1101, Script());
    addAccount(1101);
    window().selectTab(Page::Settings);
    QTest::mouseClick(find<QPushButton>("Command14"), Qt::LeftButton);
    EXPECT_EQ(find<QLineEdit>("Text6")->text(), QStringLiteral("30"));
    EXPECT_FALSE(find<QCheckBox>("Check4")->isChecked());
    EXPECT_FALSE(find<QPushButton>("Command5")->isEnabled());
    // 35 minutes counted against 30: the countdown's step ran at once and started a check.
    EXPECT_EQ(program->checker().recheck().elapsed(), 0);
    QTest::mouseClick(find<QPushButton>("Command13"), Qt::LeftButton);
    EXPECT_EQ(find<QLineEdit>("Text9")->text(), QStringLiteral("180"));
    EXPECT_EQ(find<QComboBox>("ImageCombo1")->currentIndex(), 0);
    // The next Ctrl-click on the time-out's up button gives 190.
    QTest::mouseClick(find<QPushButton>("Command9"), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(find<QLineEdit>("Text9")->text(), QStringLiteral("190"));
}

} // namespace
} // namespace mervantic

namespace mervantic {
namespace {

// Choosing RETR while a Gmail account is listed says, once, what Gmail does with messages
// fetched whole; without one it says nothing.
TEST_F(TrayAndClosing, RetrWithAGmailAccountIsExplainedOnce) {
    for (const bool gmail : {false, true}) {
        SCOPED_TRACE(gmail);
        accounts.clear();
        addAccount(1101);
        if (gmail)
            accounts.at(1).server = QStringLiteral("pop.gmail.com");
        start();
        dialogs.messages.clear();
        window().selectTab(Page::Settings);
        window().settingsPage()->showSubPage(3);
        auto* retr = find<QCheckBox>("Check3");
        retr->click(); // on
        retr->click(); // off
        retr->click(); // on again
        EXPECT_EQ(dialogs.messages.size(), gmail ? 1 : 0);
        if (gmail) {
            EXPECT_TRUE(dialogs.messages.first().startsWith(QStringLiteral("Gmail Hides")));
        }
        window().closeByProgram();
        program.reset();
    }
}

} // namespace
} // namespace mervantic
