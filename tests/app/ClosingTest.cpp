// Closing the window ends the program's event loop at any moment: a step button held, a
// connection attempt pending, a run between two accounts. Nothing waits in a loop of its own
// that the close could leave running without a window.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "ScriptedSocket.h"
#include "SmallDisk.h"
#include "app/AccountPage.h"
#include "app/HeldButtonRepeater.h"
#include "app/LogPane.h"
#include "app/SettingsPage.h"
#include "app/SettingsPageController.h"
#include "app/SignInWindow.h"
#include "app/StatusBar.h"
#include "store/SettingsRecord.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::Script;

class Closing : public test::ProgramFixture {
protected:
    bool closeEndsTheProgram() {
        return programEndsAfter([this] { window().close(); });
    }

    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void closeDuringRun(Script script, bool stuck, int ticks, int ticksAtMessage);
};

TEST_F(Closing, AHeldStepButtonStepsAtOnceThenAfterTheDelayThenRepeatedly) {
    start();
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(2);
    HeldButtonRepeater& up = window().settingsController().timeoutUp();
    up.setDelays(40, 10);
    QPushButton* button = find<QPushButton>("Command9");
    QLineEdit* box = find<QLineEdit>("Text9");

    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_EQ(box->text(), QStringLiteral("181")); // the first step comes with the press
    ASSERT_TRUE(test::waitUntil([&] { return box->text().toInt() >= 185; }));
    QTest::mouseRelease(button, Qt::LeftButton);
    const int held = box->text().toInt();
    EXPECT_EQ(program->settings().options.serverTimeoutMs, held * 1000LL);
    QTest::qWait(60);
    EXPECT_EQ(box->text().toInt(), held); // nothing after the release

    // Ctrl alone, read at the press, steps by 10; the limit holds.
    HeldButtonRepeater& down = window().settingsController().timeoutDown();
    down.setDelays(1, 1);
    QPushButton* downButton = find<QPushButton>("Command6");
    QTest::mousePress(downButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(box->text().toInt(), held - 10);
    ASSERT_TRUE(test::waitUntil([&] { return box->text() == QStringLiteral("5"); }));
    QTest::mouseRelease(downButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(program->settings().options.serverTimeoutMs, 5000);
}

TEST_F(Closing, ClosingWhileAStepButtonIsHeldEndsTheProgramAndKeepsTheValueShown) {
    addAccount(1101);
    start();
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(2);
    window().settingsController().timeoutUp().setDelays(20, 5);
    QPushButton* button = find<QPushButton>("Command9");
    QTest::mousePress(button, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return find<QLineEdit>("Text9")->text().toInt() >= 184; }));
    ASSERT_TRUE(closeEndsTheProgram());
    const int shown = find<QLineEdit>("Text9")->text().toInt();
    EXPECT_FALSE(window().settingsController().timeoutUp().held());
    EXPECT_EQ(savedSettings().serverTimeout, shown * 1000LL * 10000);
    AccountList reread;
    AccountFile(accountFile()).load(reread);
    EXPECT_EQ(reread.count(), 1);
}

// A close during a run waits for the run to stop: it closes at the tick after the run ended,
// or, when the run does not stop, says why after 6 ticks and closes anyway at the 31st.
void Closing::closeDuringRun(Script script, bool stuck, int ticks, int ticksAtMessage) {
    addAccount(1101);
    socket.addScript(1101, std::move(script));
    start();
    program->closing().setTickInterval(5);
    if (stuck) {
        // A silent server given all the time in the world after the cancel.
        program->checker().connection().setCancelGraceMs(3600 * 1000);
        program->checker().connection().setTimeoutTickInterval(3600 * 1000);
    }
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] {
        return stuck ? socket.sent().contains(QStringLiteral("USER alice"))
                     : socket.connections() == 1;
    }));
    int messageAt = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (messageAt == 0 &&
            window().logPane()->content() ==
                QStringLiteral("Window Close Delayed To Close Server Connection."))
            messageAt = program->closing().delayTicks();
    });
    watch.start(1);
    ASSERT_TRUE(closeEndsTheProgram());
    EXPECT_EQ(messageAt, ticksAtMessage);
    EXPECT_EQ(program->closing().delayTicks(), ticks);
    EXPECT_TRUE(dialogs.messages.isEmpty()); // the halt shows no box while the window closes
    EXPECT_EQ(savedSettings().firstRunMarker, 1);
    AccountList reread;
    AccountFile(accountFile()).load(reread);
    EXPECT_EQ(reread.count(), 1);
}

// A connection attempt is given up at once: the window closes at the first tick (the count
// starts at 1).
TEST_F(Closing, ClosingWhileAConnectionIsPendingEndsTheProgramAtTheFirstTick) {
    closeDuringRun(Script().neverConnects(), false, 2, 0);
}

TEST_F(Closing, ARunThatDoesNotStopCannotKeepTheProgramFromEnding) {
    closeDuringRun(Script().serve("+OK ready\r\n").expect("USER alice").silence(), true,
                   CloseSequence::kForcedCloseAfterTicks + 1,
                   CloseSequence::kMessageAfterTicks + 1);
}

TEST_F(Closing, AFullDiskAtCloseKeepsBothFilesWholeAndSaysSo) {
    test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    dataRoot = disk.path();
    addAccount(1101);
    addAccount(1102);
    start();
    const QByteArray accountsBefore = readAll(accountFile());
    const QByteArray settingsBefore = readAll(settingsFile());
    ASSERT_EQ(accountsBefore.size(), 2 * 454);
    disk.fill();
    find<QCheckBox>("Check3")->click(); // a change the close would save
    ASSERT_TRUE(closeEndsTheProgram());
    // Each says why under the Parts' text.
    const QString full =
        QStringLiteral("\nthe file could not be written, the disk may be full (No space left on "
                       "device)");
    EXPECT_EQ(
        dialogs.messages,
        (QStringList{QStringLiteral("An Error Occurred Saving Changes To Username File") + full,
                     QStringLiteral("An Error Occurred Saving App Data") + full}));
    EXPECT_EQ(readAll(accountFile()), accountsBefore);
    EXPECT_EQ(readAll(settingsFile()), settingsBefore);
}

// The main window's close takes an open Sign-In window with it: left open, it would keep the
// program running with no main window to close.
TEST_F(Closing, ClosingTheWindowClosesAnOpenSignInWindow) {
    addAccount(110);
    start();
    window().selectTab(Page::Accounts);
    QTreeView* list = window().accountPage()->list();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::mouseClick(window().accountPage()->signInButton(), Qt::LeftButton);
    ASSERT_TRUE(program->signInWindow().isVisible());
    ASSERT_TRUE(window().close());
    EXPECT_FALSE(program->signInWindow().isVisible());
}

} // namespace
} // namespace mervantic
