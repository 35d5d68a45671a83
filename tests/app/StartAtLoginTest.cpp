// Started at login: the autostart entry that "Start At Login" writes, and the start in the
// notification area that the entry asks for.
#include "ProgramFixture.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

class StartAtLogin : public test::ProgramFixture {
protected:
    QString autostartFolder() {
        return QDir::cleanPath(dataFolder() + QStringLiteral("/../autostart"));
    }
    QCheckBox* box() { return window().settingsPage()->startAtLoginCheck(); }
};

TEST_F(StartAtLogin, TheBoxWritesAndRemovesTheDesktopsAutostartEntry) {
    start();
    const Autostart autostart(autostartFolder());
    EXPECT_FALSE(box()->isChecked());
    box()->click();
    ASSERT_TRUE(box()->isChecked());
    QFile entry(autostart.entryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(
        QStringLiteral("Exec=") +
        Autostart::execLine(QCoreApplication::applicationFilePath(), QStringLiteral("--tray"))))
        << text.toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // The next start finds it on; switched off, it is gone.
    window().closeByProgram();
    program.reset();
    start();
    EXPECT_TRUE(box()->isChecked());
    box()->click();
    EXPECT_FALSE(box()->isChecked());
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
}

TEST_F(StartAtLogin, AnEntryThatCannotBeWrittenIsSaidAndTheBoxStaysOff) {
    // A file where the folder would be.
    afterFilesWritten = [this] {
        QFile blocker(autostartFolder());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    };
    start();
    box()->click();
    EXPECT_FALSE(box()->isChecked());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().startsWith(
        QStringLiteral("Start At Login Could Not Be Switched On: the folder")))
        << dialogs.messages.first().toStdString();
}

// In the notification area: the icon is there at once (whatever the tray option), the window
// is not shown, and the check on opening runs as if it had been.
TEST_F(StartAtLogin, StartedInTheNotificationAreaTheIconComesAndTheWindowStaysHidden) {
    record.autoCheckOnOpen = 1;
    record.trayOnClose = 0;
    start(false);
    window().startInNotificationArea();
    EXPECT_TRUE(tray.shown());
    EXPECT_FALSE(window().isVisible());
    // The check on opening ran (and found no account to check).
    EXPECT_TRUE(test::waitUntil([this] {
        return window().statusBar()->text().contains(QStringLiteral("No Usernames"));
    })) << window().statusBar()->text().toStdString();
    tray.click();
    EXPECT_TRUE(test::waitUntil([this] { return window().isVisible(); }));
}

} // namespace
} // namespace mervantic
