// Starts the real program in a private X server with a prepared data folder, as a person would
// run it, and closes it the way a window manager does.
#include "AssistiveTechnology.h"
#include "DovecotServer.h"
#include "EventLoop.h"
#include "FakeNotificationServer.h"
#include "FakeStatusNotifierHost.h"
#include "Printers.h"
#include "PrivateBus.h"
#include "ProgramHome.h"
#include "ScriptedServer.h"
#include "SmallDisk.h"
#include "SoundServer.h"
#include "WestonCompositor.h"
#include "XvfbDisplay.h"
#include "mail/SeenMemory.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"
#include "store/SettingsRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervantic {
namespace {

using test::XvfbDisplay;

// A screen reader listening on an accessibility bus of the tests' own. The accessibility
// library joins one bus per process, once: every test that listens shares this one.
struct ScreenReader {
    static ScreenReader& shared() {
        static ScreenReader one;
        return one;
    }
    bool ready() {
        if (!started) {
            started = true;
            if (!bus.start())
                why = bus.why();
            else if (!reader.start(bus))
                why = reader.why();
        }
        return why.isEmpty();
    }
    test::PrivateBus bus;
    test::AssistiveTechnology reader;
    bool started = false;
    QString why;
};

class RealProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display.start()) << display.why().toStdString();
        ASSERT_TRUE(home.isReady());
        dataFolder = home.dataFolder();
    }

    QProcessEnvironment environment() const { return home.environment(display.name()); }

    void startProgram(QProcess& program) const { startProgram(program, environment()); }
    void startProgram(QProcess& program, const QProcessEnvironment& env) const {
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(MERVANTIC_BINARY), {});
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    // Starts the program where the tests' screen reader hears it and waits for its check on
    // opening to end: its window, and the program as the screen reader finds it.
    void startHeard(QProcess& program, std::optional<XvfbDisplay::Window>& window,
                    test::AssistiveTechnology::Node& app) {
        QProcessEnvironment env = environment();
        ScreenReader::shared().bus.addTo(env);
        test::AssistiveTechnology::addTo(env);
        startProgram(program, env);
        window = waitForWindow(QStringLiteral("Mervantic email - last check: "));
        ASSERT_TRUE(window.has_value()) << "the check did not finish";
        app = ScreenReader::shared().reader.application(QStringLiteral("Mervantic"));
        ASSERT_TRUE(app) << "the program is not on the accessibility bus";
    }

    std::optional<XvfbDisplay::Window> waitForWindow(const QString& title, int tries = 200) {
        for (int i = 0; i < tries; ++i) {
            const auto windows = display.windowsTitled(title);
            if (!windows.empty())
                return windows.front();
            QThread::msleep(50);
        }
        return std::nullopt;
    }

    // A message box of the program's (titled "Mervantic" alone, unlike the main window).
    std::optional<XvfbDisplay::Window> waitForMessageBox() {
        for (int i = 0; i < 200; ++i) {
            for (const XvfbDisplay::Window& window :
                 display.windowsTitled(QStringLiteral("Mervantic"))) {
                if (window.title == QStringLiteral("Mervantic"))
                    return window;
            }
            QThread::msleep(50);
        }
        return std::nullopt;
    }

    // The settings of a user who has run the program before: a window of 700 x 450 at 100, 80.
    static SettingsRecord returningUser() {
        SettingsRecord settings;
        settings.firstRunMarker = 1;
        settings.windowLeft = 100 * 15;
        settings.windowTop = 80 * 15;
        settings.windowWidth = 700 * 15;
        settings.windowHeight = 450 * 15;
        settings.serverTimeout = 180000LL * 10000;
        settings.recheckMinutes = 30;
        settings.dateFormat = 1;
        settings.fontName = QStringLiteral("DejaVu Sans");
        settings.fontSize = 8;
        return settings;
    }

    // Writes the data files of `folder`: `settings`, and one account `name` for `user` (password
    // "pw") on 127.0.0.1 at `port`.
    static bool writeDataFiles(const QString& folder, const SettingsRecord& settings,
                               const QString& name, const QString& user, int port) {
        AccountList accounts;
        accounts.append({name, user, QStringLiteral("127.0.0.1"), QString::number(port),
                         AccountKey::make(1, QStringLiteral("pw")), false});
        return SettingsFile::write(folder + QStringLiteral("/mervantic.ini"), settings) &&
               AccountFile(folder + QStringLiteral("/mervuser.ini")).save(accounts);
    }

    XvfbDisplay display;
    test::ProgramHome home;
    QString dataFolder;
};

TEST_F(RealProgram, OpensItsWindowAndSavesTheGeometryWhenTheWindowManagerClosesIt) {
    // A user who has run the program before: an account, and a window of 700 x 450 at 100, 80.
    SettingsRecord settings = returningUser();
    ASSERT_TRUE(SettingsFile::write(dataFolder + QStringLiteral("/mervantic.ini"), settings));
    AccountList accounts;
    accounts.append({QStringLiteral("Home"), QStringLiteral("alice"),
                     QStringLiteral("pop.example.org"), QStringLiteral("110"),
                     AccountKey::make(1, QStringLiteral("pw")), true});
    ASSERT_TRUE(AccountFile(dataFolder + QStringLiteral("/mervuser.ini")).save(accounts));

    QProcess program;
    startProgram(program);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    EXPECT_EQ(window->title, QStringLiteral("Mervantic email"));
    EXPECT_EQ(window->width, 700);
    EXPECT_EQ(window->height, 450);

    // A second start on the same data folder while it runs ends at once, silently, without a
    // window: with the same runtime folder, another one, or none at all.
    QTemporaryDir otherRuntime;
    QFile::setPermissions(otherRuntime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const QString& runtime :
         {environment().value(QStringLiteral("XDG_RUNTIME_DIR")), otherRuntime.path(), QString()}) {
        SCOPED_TRACE(runtime.toStdString());
        QProcessEnvironment env = environment();
        if (runtime.isEmpty())
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        else
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        QProcess second;
        second.setProcessEnvironment(env);
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(MERVANTIC_BINARY), {});
        ASSERT_TRUE(second.waitForFinished(10000));
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_EQ(display.windowsTitled(QStringLiteral("Mervantic")).size(), 1u);
    }

    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(30000)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    QFile saved(dataFolder + QStringLiteral("/mervantic.ini"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 626);
    const SettingsRecord record = SettingsRecord::fromBytes(bytes);
    EXPECT_EQ(record.windowLeft, window->x * 15.0f);
    EXPECT_EQ(record.windowTop, window->y * 15.0f);
    EXPECT_EQ(record.windowWidth, window->width * 15.0f);
    EXPECT_EQ(record.windowHeight, window->height * 15.0f);
    AccountList reread;
    AccountFile(dataFolder + QStringLiteral("/mervuser.ini")).load(reread);
    ASSERT_EQ(reread.count(), 1);
    EXPECT_EQ(reread.at(1).key, QStringLiteral("K1Ppw"));
    EXPECT_TRUE(reread.at(1).checked);
}

// A logout that sends SIGTERM without asking the window to close, and a closed terminal's
// SIGHUP, end the program as its close does: the settings record is written, the end is normal.
TEST_F(RealProgram, TerminationSignalsEndTheProgramAsACloseDoes) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const QString settingsFile = dataFolder + QStringLiteral("/mervantic.ini");
        ASSERT_TRUE(SettingsFile::write(settingsFile, returningUser()));
        QFile old(settingsFile);
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC),
                                    QFileDevice::FileModificationTime));
        old.close();
        QProcess program;
        startProgram(program);
        ASSERT_TRUE(waitForWindow(QStringLiteral("Mervantic email")).has_value());
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(30000)) << "the program did not end";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_GT(QFileInfo(settingsFile).lastModified().date().year(), 2001)
            << "the settings record was not written";
    }
}

// Whatever the lock file has become, the program either takes it over and opens its window, or
// says why it cannot start and ends when the message is closed: never a silent end, never a hang,
// never the memory of a huge lock. (A second start on a running copy still ends silently.)
TEST_F(RealProgram, ADamagedLockIsTakenOverOrSaidNeverASilentEnd) {
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size();
    };
    struct Case {
        const char* name;
        std::function<bool(const QString& folder)> damage;
        // Empty when the program starts; else what it says, after the data folder's path.
        const char* said;
    } cases[] = {
        {"an empty lock, left by a crash",
         [&](const QString& folder) { return write(folder + "/mervantic.lock", {}); }, ""},
        {"a lock of garbage",
         [&](const QString& folder) { return write(folder + "/mervantic.lock", "\x01\x02zz"); },
         ""},
        {"a sparse lock of 1 GB",
         [](const QString& folder) {
             QFile file(folder + "/mervantic.lock");
             return file.open(QIODevice::WriteOnly) && file.resize(qint64{1} << 30);
         },
         ""},
        {"a lock that is a folder",
         [](const QString& folder) { return QDir().mkpath(folder + "/mervantic.lock"); },
         "/mervantic.lock Is Not A Regular File"},
        {"a lock that is a FIFO",
         [](const QString& folder) {
             return ::mkfifo(QFile::encodeName(folder + "/mervantic.lock").constData(), 0600) == 0;
         },
         "/mervantic.lock Is Not A Regular File"},
        {"a lock linked to /dev/zero",
         [](const QString& folder) {
             return QFile::link(QStringLiteral("/dev/zero"), folder + "/mervantic.lock");
         },
         "/mervantic.lock Is Not A Regular File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dataFolder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dataFolder));
        ASSERT_TRUE(writeDataFiles(dataFolder, returningUser(), QStringLiteral("Home"),
                                   QStringLiteral("alice"), 1));
        ASSERT_TRUE(c.damage(dataFolder));
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(MERVANTIC_BINARY), {});
        ASSERT_TRUE(program.waitForStarted(5000));
        if (QByteArrayView(c.said).isEmpty()) {
            const auto window = waitForWindow(QStringLiteral("Mervantic email"));
            ASSERT_TRUE(window.has_value()) << program.readAllStandardError().toStdString();
            display.requestClose(window->id);
            ASSERT_TRUE(program.waitForFinished(30000));
            EXPECT_EQ(program.exitCode(), 0);
            EXPECT_LE(QFileInfo(dataFolder + "/mervantic.lock").size(), 4096);
            continue;
        }
        const std::optional<XvfbDisplay::Window> box = waitForMessageBox();
        ASSERT_TRUE(box.has_value()) << "no message appeared";
        display.requestClose(box->id);
        ASSERT_TRUE(program.waitForFinished(10000)) << "the program did not end";
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_TRUE(program.readAllStandardError().contains(
            ("Mervantic Unable To Run: " + dataFolder + QString::fromLatin1(c.said)).toUtf8()));
    }
}

// A data folder on a disk that is full, or was mounted read-only, cannot take the lock: the
// program says so and why, and ends when the message is closed.
TEST_F(RealProgram, AFullOrReadOnlyDiskIsSaidAtStart) {
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "full");
        test::SmallDisk disk;
        if (!disk.mounted())
            GTEST_SKIP() << disk.why().toStdString();
        const QString folder = disk.path() + QStringLiteral("/Mervantic");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(writeDataFiles(folder, returningUser(), QStringLiteral("Home"),
                                   QStringLiteral("alice"), 1));
        if (readOnly)
            ASSERT_TRUE(disk.makeReadOnly());
        else
            disk.fill();
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), disk.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(MERVANTIC_BINARY), {});
        ASSERT_TRUE(program.waitForStarted(5000));
        const std::optional<XvfbDisplay::Window> box = waitForMessageBox();
        ASSERT_TRUE(box.has_value()) << "no message appeared";
        display.requestClose(box->id);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitCode(), 1);
        const QByteArray said = program.readAllStandardError();
        EXPECT_TRUE(said.contains(readOnly ? "Read-only file system" : "No space left on device"))
            << said.toStdString();
    }
}

// A loopback listener whose queue of accepted connections is full: a further connection to it
// stays pending (its SYN goes unanswered) until the caller gives up.
class FullListener {
public:
    FullListener() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 0);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~FullListener() {
        ::close(m_filler);
        ::close(m_listener);
    }
    int port() const { return m_port; }

    // Connection attempts to the listener that wait for an answer (TCP state SYN_SENT).
    int pendingConnections() const {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray remote =
            ":" + QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
        int pending = 0;
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[2].endsWith(remote) && fields[3] == "02")
                ++pending;
        }
        return pending;
    }

private:
    int m_listener = -1;
    int m_filler = -1;
    int m_port = 0;
};

TEST_F(RealProgram, ClosingWhileAConnectionIsPendingEndsTheProgramAndTheNextStartOpens) {
    FullListener server;
    SettingsRecord settings = returningUser();
    // The connection attempt gives up after 5 s; the close waits for the run to stop.
    settings.serverTimeout = 5000LL * 10000;
    settings.autoCheckOnOpen = 1;
    ASSERT_TRUE(writeDataFiles(dataFolder, settings, QStringLiteral("Stuck"),
                               QStringLiteral("alice"), server.port()));

    QProcess program;
    startProgram(program);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    ASSERT_TRUE(test::waitUntil([&] { return server.pendingConnections() == 1; }, 10000))
        << "the check did not try to connect";
    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(30000)) << "the program did not end";
    EXPECT_EQ(program.exitCode(), 0);
    const auto record = SettingsFile::read(dataFolder + QStringLiteral("/mervantic.ini"));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->windowWidth, window->width * 15.0f);
    AccountList reread;
    AccountFile(dataFolder + QStringLiteral("/mervuser.ini")).load(reread);
    EXPECT_EQ(reread.count(), 1);

    // Nothing of it is left running: the next start opens its window.
    QProcess next;
    startProgram(next);
    const auto reopened = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(reopened.has_value()) << "the next start opened no window";
    display.requestClose(reopened->id);
    ASSERT_TRUE(next.waitForFinished(15000));
}

// Under a window manager the window has a frame: the place and size saved at close must be the
// ones the next start restores, so that starting and closing without a change changes nothing.
TEST_F(RealProgram, UnderAWindowManagerTheWindowComesBackWhereAndAsLargeAsItWas) {
    ASSERT_TRUE(display.startWindowManager()) << display.why().toStdString();
    for (const QSize size : {QSize(700, 450), QSize(900, 600)}) {
        SCOPED_TRACE(size.width());
        SettingsRecord settings = returningUser();
        settings.windowWidth = static_cast<float>(size.width() * 15);
        settings.windowHeight = static_cast<float>(size.height() * 15);
        const QString file = dataFolder + QStringLiteral("/mervantic.ini");
        ASSERT_TRUE(SettingsFile::write(file, settings));
        for (int start = 1; start <= 3; ++start) {
            SCOPED_TRACE(start);
            QProcess program;
            startProgram(program);
            const auto window = waitForWindow(QStringLiteral("Mervantic email"));
            ASSERT_TRUE(window.has_value()) << "no window appeared";
            EXPECT_EQ(QSize(window->width, window->height), size);
            QThread::msleep(200); // the window manager has placed it and Qt knows its frame
            display.requestClose(window->id);
            ASSERT_TRUE(program.waitForFinished(15000));
            const auto saved = SettingsFile::read(file);
            ASSERT_TRUE(saved.has_value());
            EXPECT_EQ(saved->windowLeft, 100 * 15.0f);
            EXPECT_EQ(saved->windowTop, 80 * 15.0f);
            EXPECT_EQ(saved->windowWidth, size.width() * 15.0f);
            EXPECT_EQ(saved->windowHeight, size.height() * 15.0f);
        }
    }
}

// With "Close With Icon On The Tray" on a desktop that has no notification area, the close box
// minimizes the window (a hidden window could never come back); closing the minimized window
// ends the program with its files written.
TEST_F(RealProgram, WithoutANotificationAreaTheTrayOptionMinimizesAndASecondCloseEnds) {
    ASSERT_TRUE(display.startWindowManager()) << display.why().toStdString();
    SettingsRecord settings = returningUser();
    settings.trayOnClose = 1;
    const QString file = dataFolder + QStringLiteral("/mervantic.ini");
    ASSERT_TRUE(SettingsFile::write(file, settings));
    QProcess program;
    startProgram(program);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    QThread::msleep(200);
    display.requestClose(window->id);
    ASSERT_TRUE(test::waitUntil(
        [&] { return display.windowsTitled(QStringLiteral("Mervantic email")).empty(); }, 10000))
        << "the window was not minimized";
    EXPECT_EQ(program.state(), QProcess::Running);
    QThread::msleep(200);
    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(15000)) << "the program did not end";
    const auto saved = SettingsFile::read(file);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->trayOnClose, 1);
    EXPECT_EQ(saved->windowWidth, 700 * 15.0f);
}

// A user whose window is out of sight (minimized here, as the tray option does without a
// notification area) starts the program again: the second start ends, silently, and the first
// window comes back.
TEST_F(RealProgram, ASecondStartBringsTheWindowBack) {
    ASSERT_TRUE(display.startWindowManager()) << display.why().toStdString();
    SettingsRecord settings = returningUser();
    settings.trayOnClose = 1;
    ASSERT_TRUE(SettingsFile::write(dataFolder + QStringLiteral("/mervantic.ini"), settings));
    QProcess program;
    startProgram(program);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    QThread::msleep(200);
    display.requestClose(window->id);
    ASSERT_TRUE(test::waitUntil(
        [&] { return display.windowsTitled(QStringLiteral("Mervantic email")).empty(); }, 10000))
        << "the window was not put out of sight";

    QProcess second;
    startProgram(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    const auto back = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(back.has_value()) << "the window did not come back";
    EXPECT_EQ(back->id, window->id);
    EXPECT_EQ(display.windowsTitled(QStringLiteral("Mervantic")).size(), 1u);
    program.terminate();
    program.waitForFinished(10000);
}

// Stored on a larger screen, or at another scale, the window would hang off this one: it is
// put within the screen, and what was stored stays as it was while the user leaves it there.
TEST_F(RealProgram, AWindowThatWouldNotFitTheScreenIsPutWithinIt) {
    SettingsRecord settings = returningUser();
    settings.windowLeft = 598 * 15;
    settings.windowWidth = 1364 * 15;
    settings.windowHeight = 700 * 15;
    const QString file = dataFolder + QStringLiteral("/mervantic.ini");
    ASSERT_TRUE(SettingsFile::write(file, settings));
    QProcess program;
    QProcessEnvironment env = environment();
    // Twice the size: the 1280 x 1024 screen is 640 x 512 of the program's pixels.
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    startProgram(program, env);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    EXPECT_GE(window->x, 0);
    EXPECT_GE(window->y, 0);
    EXPECT_LE(window->x + window->width, 1280);
    EXPECT_LE(window->y + window->height, 1024);
    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(15000));
    const auto saved = SettingsFile::read(file);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->windowWidth, 1364 * 15.0f);
    EXPECT_EQ(saved->windowHeight, 700 * 15.0f);
}

// A desktop with a StatusNotifierWatcher (KDE, GNOME with the AppIndicator extension, most
// panels): the icon registers with it over D-Bus; activating it hides and shows the window, and
// its menu's "Close" ends the program with its files written.
TEST_F(RealProgram, TheIconRegistersWithAStatusNotifierHostAndIsUsedThere) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    test::FakeStatusNotifierHost host(bus.connection(QStringLiteral("host")));
    ASSERT_TRUE(host.registered());
    SettingsRecord settings = returningUser();
    settings.trayOnClose = 1;
    const QString file = dataFolder + QStringLiteral("/mervantic.ini");
    ASSERT_TRUE(SettingsFile::write(file, settings));
    QProcessEnvironment env = environment();
    bus.addTo(env);
    QProcess program;
    startProgram(program, env);
    ASSERT_TRUE(waitForWindow(QStringLiteral("Mervantic email")).has_value());
    ASSERT_TRUE(test::waitUntil([&] { return !host.items().isEmpty(); }, 10000))
        << "the icon did not register";

    ASSERT_TRUE(host.activate());
    EXPECT_TRUE(test::waitUntil([&] {
        return display.windowsTitled(QStringLiteral("Mervantic email")).empty();
    })) << "activating the icon did not hide the window";
    ASSERT_TRUE(host.activate());
    EXPECT_TRUE(waitForWindow(QStringLiteral("Mervantic email")).has_value())
        << "activating the icon again did not show the window";

    const QStringList labels = host.menuLabels();
    EXPECT_TRUE(labels.contains(QStringLiteral("Open"))) << labels.join(u',').toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Close")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Hide Menu")));
    ASSERT_TRUE(host.chooseMenuItem(QStringLiteral("Close")));
    ASSERT_TRUE(program.waitForFinished(15000)) << "\"Close\" did not end the program";
    EXPECT_EQ(program.exitCode(), 0);
    const auto saved = SettingsFile::read(file);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->trayOnClose, 1);
    EXPECT_EQ(saved->windowWidth, 700 * 15.0f);
}

// New mail found while the window is out of sight (minimized here) is announced through the
// desktop's notification service: "Seen" there does what the button does, "Open" brings the
// window back.
TEST_F(RealProgram, NewMailIsAnnouncedThroughTheNotificationServiceAndItsActionsWork) {
    ASSERT_TRUE(display.startWindowManager()) << display.why().toStdString();
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    test::FakeNotificationServer notifications(bus.connection(QStringLiteral("server")), true);
    ASSERT_TRUE(notifications.registered());
    // A server that answers only once the test lets it: the window is minimized meanwhile.
    bool answer = false;
    test::ScriptedServer pop3([&answer](QTcpSocket* peer) {
        auto* wait = new QTimer(peer);
        QObject::connect(wait, &QTimer::timeout, peer, [&answer, peer, wait] {
            if (!answer)
                return;
            wait->stop();
            peer->write("+OK ready\r\n");
            test::ScriptedServer::answerLines(
                peer, {{"USER", "+OK\r\n"},
                       {"PASS", "+OK\r\n"},
                       {"STAT", "+OK 1 40\r\n"},
                       {"TOP", "+OK\r\nFrom: <b>Ann</b>\r\nSubject: Lunch\r\n\r\n.\r\n"},
                       {"QUIT", "+OK bye\r\n"}});
        });
        wait->start(20);
    });
    SettingsRecord settings = returningUser();
    settings.autoCheckOnOpen = 1;
    ASSERT_TRUE(writeDataFiles(dataFolder, settings, QStringLiteral("Box"), QStringLiteral("alice"),
                               pop3.port()));
    QProcessEnvironment env = environment();
    bus.addTo(env);
    QProcess program;
    startProgram(program, env);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    ASSERT_TRUE(test::waitUntil([&] { return pop3.connections() == 1; }, 10000));
    display.iconify(window->id);
    ASSERT_TRUE(test::waitUntil(
        [&] { return display.windowsTitled(QStringLiteral("Mervantic email")).empty(); }));
    answer = true;
    ASSERT_TRUE(test::waitUntil([&] { return !notifications.received().isEmpty(); }, 15000))
        << "no notification";
    const auto first = notifications.received().first();
    EXPECT_EQ(first.summary, QStringLiteral("Mervantic"));
    // The service reads markup: what the sender wrote shows as typed.
    EXPECT_EQ(first.body, QStringLiteral("1 New Mail Item\n&lt;b&gt;Ann&lt;/b&gt;: Lunch"));
    EXPECT_EQ(first.actions, (QStringList{"open", "Open", "seen", "Seen"}));

    // "Seen": the message is remembered as seen (the memory is written at once).
    const QString memory = dataFolder + QStringLiteral("/mervseen.dat");
    const auto seenInMemory = [&] {
        QFile file(memory);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const std::optional<SeenMemory> read = SeenMemory::fromBytes(file.readAll());
        return read.has_value() &&
               read->lookup({QStringLiteral("alice"), QStringLiteral("127.0.0.1"),
                             QString::number(pop3.port())},
                            MessageDigest::of(QStringLiteral("<b>Ann</b>"), QStringLiteral("Lunch"),
                                              QString(), QString())) == MailIcon::Seen;
    };
    EXPECT_FALSE(seenInMemory());
    notifications.choose(first.id, QStringLiteral("seen"));
    EXPECT_TRUE(test::waitUntil(seenInMemory, 10000)) << "\"Seen\" did not mark the mail seen";
    notifications.choose(first.id, QStringLiteral("open"));
    const auto back = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(back.has_value()) << "\"Open\" did not bring the window back";
    display.requestClose(back->id);
    ASSERT_TRUE(program.waitForFinished(15000));
}

TEST_F(RealProgram, AFirstStartCopiesTheTemplateAndOpensOnTheAccountPage) {
    QDir(dataFolder).removeRecursively();
    QProcess program;
    startProgram(program);
    const auto window = waitForWindow(QStringLiteral("Mervantic email"));
    ASSERT_TRUE(window.has_value()) << "no window appeared";
    EXPECT_TRUE(QFile::exists(dataFolder + QStringLiteral("/mervantic.ini")));
    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(15000));
    const auto record = SettingsFile::read(dataFolder + QStringLiteral("/mervantic.ini"));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->firstRunMarker, 1);
    EXPECT_EQ(record->serverTimeout, 180000LL * 10000);
    // An empty account list leaves the account file as it is (created empty at load).
    EXPECT_EQ(QFileInfo(dataFolder + QStringLiteral("/mervuser.ini")).size(), 0);
}

TEST_F(RealProgram, TheDemoChecksItsOwnMailboxAsItsWindowOpens) {
    QProcess demo;
    demo.setProcessEnvironment(environment());
    demo.setProcessChannelMode(QProcess::ForwardedChannels);
    demo.start(QStringLiteral(MERVANTIC_DEMO), {});
    ASSERT_TRUE(demo.waitForStarted(5000));
    // The caption changes once the check has finished.
    const auto window = waitForWindow(QStringLiteral("Mervantic email - last check: "), 600);
    ASSERT_TRUE(window.has_value()) << "the demo's check did not finish";
    const QString pictures = qEnvironmentVariable("MERVANTIC_SCREENSHOTS");
    if (!pictures.isEmpty())
        display.grab(*window).save(pictures + QStringLiteral("/demo.png"));
    display.requestClose(window->id);
    ASSERT_TRUE(demo.waitForFinished(20000));
    EXPECT_EQ(demo.exitCode(), 0);
}

// The new-mail sound goes through the desktop's sound system, and is heard there: recorded at
// a null sink of a private PulseAudio server while the real program checks mail. A check
// without new mail is silent, and so is one on a desktop whose event sounds are switched off.
TEST_F(RealProgram, NewMailIsHeardThroughTheDesktopsSoundSystem) {
    test::SoundServer sound;
    ASSERT_TRUE(sound.start()) << sound.why().toStdString();
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning() || server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("heard"), QStringLiteral("pw"));
    server.deliver(QStringLiteral("heard"), "From: a@example.org\r\nSubject: Ring\r\n\r\nbody\r\n");
    server.addUser(QStringLiteral("quiet"), QStringLiteral("pw"));
    struct Case {
        const char* name;
        const char* user;
        bool eventSoundsOff;
        bool heard;
    };
    for (const Case c :
         {Case{"new mail", "heard", false, true}, Case{"no new mail", "quiet", false, false},
          Case{"event sounds switched off", "heard", true, false}}) {
        SCOPED_TRACE(c.name);
        test::ProgramHome fresh;
        const QString data = fresh.dataFolder();
        SettingsRecord settings = returningUser();
        settings.autoCheckOnOpen = 1;
        settings.soundOnNewMail = 1;
        ASSERT_TRUE(writeDataFiles(data, settings, QStringLiteral("Box"),
                                   QString::fromLatin1(c.user), server.port()));
        QProcessEnvironment env = fresh.environment(display.name());
        sound.addTo(env);
        if (c.eventSoundsOff) {
            // The desktop's switch, as GNOME keeps it.
            const QString settingsFolder =
                fresh.path() + QStringLiteral("/config/glib-2.0/settings");
            QDir().mkpath(settingsFolder);
            QFile keyfile(settingsFolder + QStringLiteral("/keyfile"));
            ASSERT_TRUE(keyfile.open(QIODevice::WriteOnly));
            keyfile.write("[org/gnome/desktop/sound]\nevent-sounds=false\n");
            keyfile.close();
            env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        }
        ASSERT_TRUE(sound.startRecording());
        QProcess program;
        startProgram(program, env);
        const auto window = waitForWindow(QStringLiteral("Mervantic email - last check: "));
        ASSERT_TRUE(window.has_value()) << "the check did not finish";
        // A sound heard is waited for (a slow machine plays it late); silence takes its time.
        if (c.heard) {
            test::waitUntil(
                [&sound] {
                    const QByteArray so = sound.recordedSoFar();
                    return test::SoundServer::loudSamples(so, 100) > 200 &&
                           so.size() > 2 * test::SoundServer::kRate;
                },
                15000);
        } else {
            QThread::msleep(1500);
        }
        const QByteArray recorded = sound.stopRecording();
        display.requestClose(window->id);
        ASSERT_TRUE(program.waitForFinished(15000));
        EXPECT_GT(recorded.size(), test::SoundServer::kRate); // a second or more was recorded
        const int loud = test::SoundServer::loudSamples(recorded, 100);
        if (c.heard) {
            // The theme's sound is soft and short: some 30 ms of it stand clear of silence.
            EXPECT_GT(loud, 200) << "the new mail was not heard";
        } else {
            EXPECT_EQ(loud, 0);
        }
    }
}

// What a screen reader or voice control does, through the desktop's real accessibility bus: it
// finds the mail list and its rows, ticks "Enable Functions To Delete Messages On POP3 Server"
// with the box's own Toggle action (the program acts as on a click: the rows get their boxes),
// ticks a row through its cell's Toggle, and hears that the row is now ticked.
TEST_F(RealProgram, AScreenReaderTicksAnOptionAndARowAndHearsTheTick) {
    ScreenReader& screenReader = ScreenReader::shared();
    ASSERT_TRUE(screenReader.ready()) << screenReader.why.toStdString();
    test::AssistiveTechnology& reader = screenReader.reader;
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning() || server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("reader"), QStringLiteral("pw"));
    for (const char* subject : {"First", "Second"})
        server.deliver(QStringLiteral("reader"), QByteArray("From: a@example.org\r\nSubject: ") +
                                                     subject + "\r\n\r\nbody\r\n");
    SettingsRecord settings = returningUser();
    settings.autoCheckOnOpen = 1;
    ASSERT_TRUE(writeDataFiles(dataFolder, settings, QStringLiteral("Box"),
                               QStringLiteral("reader"), server.port()));
    QProcess program;
    std::optional<XvfbDisplay::Window> window;
    test::AssistiveTechnology::Node app;
    ASSERT_NO_FATAL_FAILURE(startHeard(program, window, app));
    const auto list = app.find(QStringLiteral("table"), QStringLiteral("Mail list"));
    ASSERT_TRUE(list);
    ASSERT_TRUE(reader.waitUntil([&] { return list.rows() == 2; })) << list.rows();
    EXPECT_EQ(list.cell(0, 3).name(), QStringLiteral("First"));
    EXPECT_FALSE(list.cell(0, 0).actions().contains(QStringLiteral("Toggle")));

    const auto option =
        app.find(QStringLiteral("check box"),
                 QStringLiteral("Enable Functions To Delete Messages On POP3 Server"));
    ASSERT_TRUE(option);
    EXPECT_FALSE(option.has("checked"));
    ASSERT_TRUE(option.act(QStringLiteral("Toggle")));
    ASSERT_TRUE(reader.waitUntil([&] { return option.has("checked"); }));
    ASSERT_TRUE(reader.waitUntil([&] {
        return list.cell(1, 0).actions().contains(QStringLiteral("Toggle"));
    })) << "the rows got no tick boxes";

    ASSERT_TRUE(reader.listen("object:state-changed:checked"));
    const auto row = list.cell(1, 0);
    EXPECT_FALSE(row.has("checked"));
    ASSERT_TRUE(row.act(QStringLiteral("Toggle")));
    EXPECT_TRUE(reader.waitUntil([&] { return row.has("checked"); })) << "the row was not ticked";
    EXPECT_TRUE(reader.waitUntil([&] {
        for (const auto& event : reader.events())
            if (event.detail1 == 1 && event.source == row.name())
                return true;
        return false;
    })) << "the tick was not announced";
    EXPECT_FALSE(list.cell(0, 0).has("checked"));

    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(15000));
    QFile file(dataFolder + QStringLiteral("/mervantic.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(SettingsRecord::fromBytes(file.readAll()).deleteEnabled, 1);
}

// A screen reader user at the window's opening size: the failed account's row says first what
// to do, its "Press" (Enter) opens the account's own window, and every control of it is there
// to find and use.
TEST_F(RealProgram, AScreenReaderReachesAFailedAccountsFixFromItsRow) {
    ScreenReader& screenReader = ScreenReader::shared();
    ASSERT_TRUE(screenReader.ready()) << screenReader.why.toStdString();
    test::AssistiveTechnology& reader = screenReader.reader;
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning() || server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("forgetful"), QStringLiteral("another password"));
    SettingsRecord settings = returningUser();
    settings.autoCheckOnOpen = 1;
    settings.windowWidth = 384 * 15; // the smallest the window goes
    settings.windowHeight = 367 * 15;
    ASSERT_TRUE(writeDataFiles(dataFolder, settings, QStringLiteral("Forgetful"),
                               QStringLiteral("forgetful"), server.port()));
    QProcess program;
    std::optional<XvfbDisplay::Window> window;
    test::AssistiveTechnology::Node app;
    ASSERT_NO_FATAL_FAILURE(startHeard(program, window, app));
    const auto list = app.find(QStringLiteral("table"), QStringLiteral("Mail list"));
    ASSERT_TRUE(list);
    ASSERT_TRUE(reader.waitUntil([&] { return list.rows() == 1; })) << list.rows();
    // What to do first, in the column in view; why in the next.
    const auto reason = list.cell(0, 2);
    EXPECT_EQ(reason.name(), QStringLiteral("Check the password (press Enter)"));
    EXPECT_TRUE(list.cell(0, 3).name().startsWith(QStringLiteral("Wrong user name or password")))
        << list.cell(0, 3).name().toStdString();
    ASSERT_TRUE(reason.actions().contains(QStringLiteral("Press")))
        << reason.actions().join(',').toStdString();
    ASSERT_TRUE(reason.act(QStringLiteral("Press")));

    ASSERT_TRUE(waitForWindow(QStringLiteral("Mervantic - Account Settings")).has_value())
        << "the account's window did not open";
    test::AssistiveTechnology::Node password;
    ASSERT_TRUE(reader.waitUntil([&] {
        password = app.find(QStringLiteral("password text"), QStringLiteral("New Password"), 12);
        return static_cast<bool>(password);
    })) << "no password box in the account's window";
    for (const char* button : {"Enter New Password", "Use This Security", "Trust This Certificate",
                               "Forget The Trusted Certificate", "Sign-In", "Check Mail Now"})
        EXPECT_TRUE(app.find(QStringLiteral("push button"), QString::fromLatin1(button), 12))
            << button;
    const auto close = app.find(QStringLiteral("push button"), QStringLiteral("Close"), 12);
    ASSERT_TRUE(close);
    ASSERT_TRUE(close.act(QStringLiteral("Press")));
    EXPECT_TRUE(reader.waitUntil([&] {
        return display.windowsTitled(QStringLiteral("Mervantic - Account Settings")).empty();
    }));

    display.requestClose(window->id);
    ASSERT_TRUE(program.waitForFinished(15000));
}

// Most desktops run Wayland now: the program runs there natively, under a real compositor
// (Weston, headless): its window is drawn, its icon registers through StatusNotifierItem, a
// check runs, and the icon's "Close" ends it with its files written. Wayland does not let a
// program place its window: the place stored is kept as it was.
TEST_F(RealProgram, OnWaylandTheWindowIsDrawnAndACheckRuns) {
    test::WestonCompositor wayland;
    ASSERT_TRUE(wayland.start()) << wayland.why().toStdString();
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    test::FakeStatusNotifierHost host(bus.connection(QStringLiteral("host")));
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning() || server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("wayland"), QStringLiteral("pw"));
    server.deliver(QStringLiteral("wayland"), "From: a@example.org\r\nSubject: Hi\r\n\r\nbody\r\n");

    SettingsRecord settings = returningUser();
    settings.trayOnClose = 1;
    settings.autoCheckOnOpen = 1;
    const QString file = dataFolder + QStringLiteral("/mervantic.ini");
    ASSERT_TRUE(writeDataFiles(dataFolder, settings, QStringLiteral("Box"),
                               QStringLiteral("wayland"), server.port()));
    QProcessEnvironment env = environment();
    wayland.addTo(env);
    bus.addTo(env);
    QProcess program;
    startProgram(program, env);
    ASSERT_TRUE(test::waitUntil([&] { return !host.items().isEmpty(); }, 15000))
        << "the icon did not register";
    // The check ends with the mail remembered (as new).
    ASSERT_TRUE(test::waitUntil(
        [&] { return QFileInfo(dataFolder + QStringLiteral("/mervseen.dat")).size() > 16; }, 15000))
        << "the check did not run";

    // The window is drawn: much of the screen is its light grey and the list's white, which
    // Weston's desktop (a dark panel, a grey pattern) has none of.
    const QImage screen = wayland.screenshot();
    ASSERT_FALSE(screen.isNull()) << "no screenshot";
    int windowPixels = 0;
    for (int y = 0; y < screen.height(); y += 2) {
        for (int x = 0; x < screen.width(); x += 2) {
            const QRgb pixel = screen.pixel(x, y);
            windowPixels += qGray(pixel) >= 235 && qRed(pixel) == qBlue(pixel) ? 1 : 0;
        }
    }
    EXPECT_GT(windowPixels, 50000) << "the window was not drawn";
    const QString pictures = qEnvironmentVariable("MERVANTIC_SCREENSHOTS");
    if (!pictures.isEmpty())
        screen.save(pictures + QStringLiteral("/wayland.png"));

    ASSERT_TRUE(host.chooseMenuItem(QStringLiteral("Close")));
    ASSERT_TRUE(program.waitForFinished(15000)) << "\"Close\" did not end the program";
    const auto saved = SettingsFile::read(file);
    ASSERT_TRUE(saved.has_value());
    EXPECT_GT(saved->lastCheckTime, 0.0);
    EXPECT_EQ(saved->windowLeft, 100 * 15.0f);
    EXPECT_EQ(saved->windowTop, 80 * 15.0f);
    EXPECT_EQ(saved->windowWidth, 700 * 15.0f);
    EXPECT_EQ(saved->windowHeight, 450 * 15.0f);
}

} // namespace
} // namespace mervantic
