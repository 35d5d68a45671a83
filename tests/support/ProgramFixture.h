#pragma once

#include "EventLoop.h"
#include "FakeDesktop.h"
#include "FakeTray.h"
#include "Fakes.h"
#include "ScriptedSocket.h"
#include "app/Dialogs.h"
#include "app/Program.h"
#include "platform/ClientSocket.h"
#include "store/AccountKey.h"
#include "store/SettingsRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace mervantic::test {

// Records the messages and answers the questions from a queue (Yes when it is empty).
class AnsweringDialogs final : public Dialogs {
public:
    void message(const QString& text) override { messages << text; }
    void warn(const QString& text) override { messages << text; }
    bool question(const QString& text) override {
        questions << text;
        return answers.next();
    }
    void ask(const Question& asked, std::function<void(bool)> answered) override {
        details << asked.detail;
        noByDefault << asked.noByDefault;
        if (holdAnswers) {
            // The box stays open until the test answers it.
            questions << asked.text;
            pending = std::move(answered);
            return;
        }
        answered(question(asked.text));
    }
    // Answers the question left open while `holdAnswers` was set.
    void answerPending(bool yes) { std::exchange(pending, {})(yes); }
    std::optional<FontChoice> chooseFont(const FontChoice& preset) override {
        fontPresets.push_back(preset);
        return fontAnswer;
    }
    std::vector<FontChoice> fontPresets;
    // What the font dialog gives back; nothing is a cancel.
    std::optional<FontChoice> fontAnswer;
    QStringList messages;
    QStringList questions;
    QStringList details;
    QList<bool> noByDefault;
    AnswerQueue answers;
    bool holdAnswers = false;
    std::function<void(bool)> pending;
};

// The real program object on the offscreen platform, with a scripted network and a data folder
// of its own holding the given settings record and accounts.
class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override { record = baseRecord(); }

    static SettingsRecord baseRecord() {
        SettingsRecord r;
        r.firstRunMarker = 1;
        r.windowLeft = 0;
        r.windowTop = 0;
        r.windowWidth = 700 * 15;
        r.windowHeight = 450 * 15;
        r.serverTimeout = 180000LL * 10000;
        r.recheckMinutes = 30;
        r.dateFormat = 1;
        r.mailColWidth1 = r.mailColWidth2 = r.mailColWidth3 = r.mailColWidth4 = 1440;
        r.mailColWidth5 = r.mailColWidth6 = 1440;
        r.userColWidth1 = r.userColWidth2 = r.userColWidth3 = r.userColWidth4 = 1440;
        r.fontName = QStringLiteral("DejaVu Sans");
        r.fontSize = 8;
        return r;
    }

    void addAccount(int port) {
        accounts.append({QStringLiteral("Box %1").arg(port), QStringLiteral("alice"),
                         QStringLiteral("pop.example.org"), QString::number(port),
                         AccountKey::make(accounts.count() + 1, QStringLiteral("secret")), false});
    }

    // Writes the files, builds the program and loads it; `show` shows the window.
    void start(bool show = true) {
        StartupValues values;
        QDir().mkpath(dataFolder());
        values.dataFolder = dataFolder();
        values.settingsFilePath = settingsFile();
        values.toolTipTexts = standardToolTipTexts();
        values.themeBackColour = ThemeColour::ButtonFace;
        values.appFolder = appFolder;
        values.autostartFolder = dataFolder() + QStringLiteral("/../autostart");
        ASSERT_TRUE(SettingsFile::write(values.settingsFilePath, record));
        if (writeAccountFile) {
            ASSERT_TRUE(AccountFile(accountFile()).save(accounts));
        }
        if (afterFilesWritten)
            afterFilesWritten();
        program = std::make_unique<Program>(
            values,
            Program::Services{network != nullptr ? *network : static_cast<Socket&>(socket),
                              network != nullptr ? *networkClock : static_cast<Clock&>(clock),
                              connectivity, beeper, beeper, dialogs, tray, desktop});
        program->checker().connection().setSettleWaitMs(0);
        program->checker().connection().setCloseWaitMs(0);
        program->load();
        if (show) {
            window().show();
            ASSERT_TRUE(test::waitUntil([this] { return window().activated(); }));
        }
    }

    MainWindow& window() { return program->window(); }

    // Runs the program's main loop with `action` as its first event, until the loop ends (the
    // last window closed); false when it did not end within a generous bound.
    bool programEndsAfter(const std::function<void()>& action) {
        bool ended = true;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&ended] {
            ended = false;
            QCoreApplication::exit(1);
        });
        watchdog.start(20000);
        QTimer::singleShot(0, &window(), action);
        QCoreApplication::exec();
        return ended;
    }
    // The data folder lies in an application-data folder of its own, as start-up finds it.
    QString applicationData() const {
        return (dataRoot.isEmpty() ? folder.path() : dataRoot) + QStringLiteral("/appdata");
    }
    QString dataFolder() const { return applicationData() + QStringLiteral("/Mervantic"); }
    QString settingsFile() const { return dataFolder() + QStringLiteral("/mervantic.ini"); }
    QString accountFile() const { return dataFolder() + QStringLiteral("/mervuser.ini"); }
    // The settings record as the program last saved it.
    SettingsRecord savedSettings() const {
        QFile file(settingsFile());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return SettingsRecord::fromBytes(file.readAll());
    }
    template <typename T> T* find(const char* name) {
        T* widget = window().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    bool shown(const char* name) { return find<QWidget>(name)->isVisible(); }
    bool enabled(const char* name) { return find<QWidget>(name)->isEnabled(); }

    QTemporaryDir folder;
    // The folder the program is taken to run from.
    QString appFolder = QStringLiteral("/opt/mervantic/bin");
    // Where the application-data folder lies when not in `folder` (a small disk, say).
    QString dataRoot;
    SettingsRecord record;
    AccountList accounts;
    // Real servers on this computer, reached over the real network; the time-outs (five
    // seconds) still counted on the fake clock, so that a silent server is given up on at once.
    void useRealNetwork() {
        record.serverTimeout = 5000LL * 10000;
        realNetwork = std::make_unique<ClientSocket>();
        network = realNetwork.get();
        networkClock = &clock;
    }

    // False when the test made the account file itself.
    bool writeAccountFile = true;
    // Runs once the files are written, before the program reads them (to damage one, say).
    std::function<void()> afterFilesWritten;
    test::ScriptedSocket socket;
    // The real network of useRealNetwork(); made before the program, gone after it.
    std::unique_ptr<ClientSocket> realNetwork;
    // A real network and clock in place of the scripted socket and the fake clock, when set.
    Socket* network = nullptr;
    Clock* networkClock = nullptr;
    test::FakeClock clock;
    test::FakeConnectivity connectivity;
    test::CountingBeeper beeper;
    AnsweringDialogs dialogs;
    test::FakeTray tray;
    test::FakeDesktop desktop;
    std::unique_ptr<Program> program;
};

} // namespace mervantic::test
