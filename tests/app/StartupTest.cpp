#include "app/Startup.h"

#include "FakeFolders.h"
#include "Printers.h"
#include "platform/SingleInstance.h"
#include "store/PasswordScrambler.h"
#include "store/SettingsRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mervantic {
namespace {

class RecordingPrompts final : public StartupPrompts {
public:
    void showFailure(const QString& text) override { failures << text; }
    std::optional<QString> askRunPassword(const QString& prompt) override {
        prompts << prompt;
        return answer;
    }
    QStringList failures;
    QStringList prompts;
    std::optional<QString> answer;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// A program folder with a template, a home folder, and the platform's answers.
class Scene {
public:
    Scene() {
        programFolder = root.filePath(QStringLiteral("program"));
        home = root.filePath(QStringLiteral("home/alice"));
        QDir().mkpath(programFolder);
        QDir().mkpath(home);
        folders.system = root.path() + QStringLiteral("/windows/");
        folders.profile = home;
        writeTemplate(SettingsRecord().toBytes());
    }

    void writeTemplate(const QByteArray& bytes) {
        writeFile(programFolder + QStringLiteral("/mervantic.ini"), bytes);
    }

    Startup::Outcome run(bool otherInstance = false) {
        Startup startup({folders, prompts, programFolder + QStringLiteral("/"),
                         [this, otherInstance](const QString& folder) {
                             askedForInstanceAt = folder;
                             return Startup::InstanceCheck{otherInstance, {}};
                         },
                         [] { return true; }});
        const Startup::Outcome outcome = startup.run();
        values = startup.values();
        return outcome;
    }

    QString dataFolder() const { return home + QStringLiteral("/Application Data/Mervantic"); }

    QTemporaryDir root;
    QString programFolder;
    QString home;
    test::FakeFolders folders;
    RecordingPrompts prompts;
    StartupValues values;
    QString askedForInstanceAt;
};

class StartupTest : public ::testing::Test, public Scene {};

TEST_F(StartupTest, ANormalStartSettlesTheFoldersAndCopiesTheTemplate) {
    ASSERT_EQ(run(), Startup::Outcome::Run);
    EXPECT_EQ(values.appFolder, programFolder);
    EXPECT_EQ(values.dataFolder, dataFolder());
    EXPECT_EQ(values.settingsFilePath, dataFolder() + QStringLiteral("/mervantic.ini"));
    EXPECT_TRUE(QFile::exists(values.settingsFilePath));
    EXPECT_EQ(values.platformId, 2);
    EXPECT_EQ(values.runPassword, QString());
    EXPECT_EQ(values.themeBackColour, ThemeColour::WindowBackground);
    EXPECT_EQ(values.toolTipTexts.at(1), QStringLiteral("Check For Mail As Configured"));
    EXPECT_EQ(values.toolTipTexts.at(0), QString());
    EXPECT_TRUE(prompts.failures.isEmpty());
    EXPECT_TRUE(prompts.prompts.isEmpty()); // no run password: no input box
}

// The instance is asked for by data folder: a second copy on the same data folder ends silently
// and writes nothing, however it was started.
TEST_F(StartupTest, ASecondInstanceOnTheDataFolderEndsSilently) {
    EXPECT_EQ(run(true), Startup::Outcome::EndSilently);
    EXPECT_EQ(askedForInstanceAt, dataFolder());
    EXPECT_TRUE(prompts.failures.isEmpty());
    EXPECT_FALSE(QFile::exists(dataFolder() + QStringLiteral("/mervantic.ini")));
}

// The data folder and its files must be the user's alone, as ssh judges its own files: what
// another user made or can change ends the start with a message naming it and its owner, before
// anything is read or written there; what is the user's own but open to others is made private.
TEST_F(StartupTest, ADataFolderOrFileAnotherUserControlsIsRefusedBeforeAnythingIsWritten) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give files to another user";
    const auto nobodys = [](const QString& path) {
        return ::lchown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    };
    struct Case {
        const char* name;
        std::function<bool(Scene&)> prepare;
        const char* said; // empty: the start goes on
    } cases[] = {
        {"a shared folder made by another user",
         [&](Scene& scene) {
             return QDir().mkpath(scene.dataFolder()) &&
                    ::chmod(QFile::encodeName(scene.dataFolder()).constData(), 0777) == 0 &&
                    nobodys(scene.dataFolder());
         },
         "Mervantic Unable To Run: %1 Belongs To Another User (nobody), Not To You"},
        {"a seen file planted as another user's link to the user's file",
         [&](Scene& scene) {
             const QString link = scene.dataFolder() + QStringLiteral("/mervseen.dat");
             return QDir().mkpath(scene.dataFolder()) &&
                    QFile::link(scene.home + QStringLiteral("/precious.txt"), link) &&
                    nobodys(link);
         },
         "Mervantic Unable To Run: %1/mervseen.dat Is A Link Made By Another User (nobody)"},
        {"a lock file of another user",
         [&](Scene& scene) {
             const QString lock = scene.dataFolder() + QStringLiteral("/mervantic.lock");
             writeFile(lock, "1\nmervantic\nhost\n");
             return nobodys(lock);
         },
         "Mervantic Unable To Run: %1/mervantic.lock Belongs To Another User (nobody)"},
        {"a folder of another user holding the data folder",
         [&](Scene& scene) {
             return QDir().mkpath(scene.dataFolder()) &&
                    nobodys(scene.home + QStringLiteral("/Application Data"));
         },
         "Mervantic Unable To Run: %1 Lies In A Folder Of Another User (nobody)"},
        {"a lock that is a FIFO",
         [&](Scene& scene) {
             return QDir().mkpath(scene.dataFolder()) &&
                    ::mkfifo(
                        QFile::encodeName(scene.dataFolder() + QStringLiteral("/mervantic.lock"))
                            .constData(),
                        0600) == 0;
         },
         "Mervantic Unable To Run: %1/mervantic.lock Is Not A Regular File"},
        {"the user's own folder and file open to everyone",
         [&](Scene& scene) {
             const QString accounts = scene.dataFolder() + QStringLiteral("/mervuser.ini");
             writeFile(accounts, QByteArray());
             return ::chmod(QFile::encodeName(scene.dataFolder()).constData(), 0777) == 0 &&
                    ::chmod(QFile::encodeName(accounts).constData(), 0666) == 0;
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        QDir().mkpath(scene.dataFolder());
        writeFile(scene.home + QStringLiteral("/precious.txt"), "mine");
        ASSERT_TRUE(c.prepare(scene));
        const Startup::Outcome outcome = scene.run();
        if (QByteArrayView(c.said).isEmpty()) {
            EXPECT_EQ(outcome, Startup::Outcome::Run);
            EXPECT_EQ(QFileInfo(scene.dataFolder()).permissions() & 0x0077, 0);
            EXPECT_EQ(
                QFileInfo(scene.dataFolder() + QStringLiteral("/mervuser.ini")).permissions() &
                    0x0022,
                0);
            continue;
        }
        EXPECT_EQ(outcome, Startup::Outcome::Failed);
        ASSERT_EQ(scene.prompts.failures.size(), 1);
        EXPECT_TRUE(scene.prompts.failures.first().startsWith(
            QString::fromLatin1(c.said).arg(scene.dataFolder())))
            << scene.prompts.failures.first().toStdString();
        EXPECT_TRUE(scene.askedForInstanceAt.isEmpty()); // the lock was not even looked at
        EXPECT_FALSE(QFile::exists(scene.dataFolder() + QStringLiteral("/mervantic.ini")));
        QFile precious(scene.home + QStringLiteral("/precious.txt"));
        ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
        EXPECT_EQ(precious.readAll(), QByteArray("mine"));
    }
}

TEST(SingleInstance, OneHolderPerDataFolderAndADeadHoldersLockIsTakenOver) {
    using Lock = SingleInstance::Lock;
    QTemporaryDir one;
    QTemporaryDir other;
    {
        SingleInstance first;
        SingleInstance second;
        SingleInstance elsewhere;
        EXPECT_EQ(first.acquire(one.path()), Lock::Acquired);
        const QFileInfo lock(one.filePath(QStringLiteral("mervantic.lock")));
        EXPECT_TRUE(lock.exists());
        EXPECT_EQ(lock.permissions() & 0x0077, 0); // group and others: nothing
        EXPECT_EQ(second.acquire(one.path()), Lock::HeldByAnother);
        EXPECT_EQ(elsewhere.acquire(other.path()), Lock::Acquired);
    }
    // A lock left by a process that no longer runs, and one cut short by a crash.
    for (const QByteArray& left :
         {"2147483000\nmervantic\n" + QSysInfo::machineHostName().toUtf8() + "\n", QByteArray()}) {
        QFile stale(one.filePath(QStringLiteral("mervantic.lock")));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stale.write(left);
        stale.close();
        SingleInstance next;
        EXPECT_EQ(next.acquire(one.path()), Lock::Acquired) << left.toStdString();
    }
}

// Runs a command as another user (nobody) for as long as the test needs it; only root can.
class OtherUsersProcess {
public:
    explicit OtherUsersProcess(const QStringList& command) {
        m_process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"),
                                                               QStringLiteral("--regid=65534"),
                                                               QStringLiteral("--clear-groups")} +
                                                       command);
        m_process.waitForStarted();
    }
    ~OtherUsersProcess() {
        m_process.kill();
        m_process.waitForFinished();
    }
    qint64 pid() const { return m_process.processId(); }
    QProcess m_process;
};

// A process number that a crash left in the lock and that another user's process has since
// taken is no copy of the program: the lock is taken over, not obeyed.
TEST(SingleInstance, ALockNamingAnotherUsersProcessIsTakenOver) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to run a process as another user";
    OtherUsersProcess sleeper({QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_GT(sleeper.pid(), 0);
    QTemporaryDir folder;
    QFile lock(folder.filePath(QStringLiteral("mervantic.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(sleeper.pid()) + "\nmervantic\n" +
               QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance instance;
    EXPECT_EQ(instance.acquire(folder.path()), SingleInstance::Lock::Acquired);
}

// The socket that brings the window back is never in a place another user can take: beside the
// private data folder, in the private runtime folder, or abstract with the peer checked. Another
// user who listens there first gets nothing, and the failure to listen is said.
TEST(SingleInstance, AnotherUserCannotTakeTheSocketThatBringsTheWindowBack) {
    QTemporaryDir root;
    const QString deep = root.filePath(QString(120, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const SingleInstance::Address address = SingleInstance::socketFor(deep);
    EXPECT_TRUE(address.abstract);
    EXPECT_FALSE(address.name.startsWith(QDir::tempPath()));
    QTemporaryDir privateRuntime;
    QFile::setPermissions(privateRuntime.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(privateRuntime.path()));
    EXPECT_TRUE(SingleInstance::socketFor(deep).name.startsWith(privateRuntime.path()));
    qunsetenv("XDG_RUNTIME_DIR");

    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to run a process as another user";
    // The other user binds the abstract name first and reports what reaches it through a pipe.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const QByteArray name = address.name.toUtf8();
    const pid_t thief = ::fork();
    if (thief == 0) {
        ::close(pipeEnds[0]);
        ::alarm(10);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        std::memcpy(where.sun_path + 1, name.constData(), name.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        if (::bind(listener, reinterpret_cast<sockaddr*>(&where), length) != 0 ||
            ::listen(listener, 5) != 0)
            ::_exit(1);
        if (::write(pipeEnds[1], "L", 1) != 1)
            ::_exit(1);
        for (;;) {
            const int peer = ::accept(listener, nullptr, nullptr);
            char received[64];
            const ssize_t got = ::read(peer, received, sizeof received);
            if (got > 0 && ::write(pipeEnds[1], received, static_cast<size_t>(got)) != got)
                ::_exit(1);
            ::close(peer);
        }
    }
    ::close(pipeEnds[1]);
    char ready = 0;
    ASSERT_EQ(::read(pipeEnds[0], &ready, 1), 1);
    ASSERT_EQ(ready, 'L');

    SingleInstance owner;
    ASSERT_EQ(owner.acquire(deep), SingleInstance::Lock::Acquired);
    EXPECT_TRUE(owner.listenFailure().startsWith(
        QStringLiteral("A later start cannot bring this window back")))
        << owner.listenFailure().toStdString();
    SingleInstance second;
    ASSERT_EQ(second.acquire(deep), SingleInstance::Lock::HeldByAnother);
    EXPECT_FALSE(second.askToShow()); // the thief is not this user: nothing is sent to it
    ::kill(thief, SIGKILL);
    ::waitpid(thief, nullptr, 0);
    char received[64];
    EXPECT_EQ(::read(pipeEnds[0], received, sizeof received), 0); // nothing after "ready"
    ::close(pipeEnds[0]);
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
}

struct TemplateCase {
    const char* name;
    std::function<void(Scene&)> prepare;
    Startup::Outcome outcome;
};

TEST_F(StartupTest, TheTemplateMustBeThereAndAtLeast300Bytes) {
    const QString failure =
        QStringLiteral("Mervantic Unable To Run: No App Data\\App\\Ini File, Error Copying It");
    const std::vector<TemplateCase> cases = {
        {"missing",
         [](Scene& t) { QFile::remove(t.programFolder + QStringLiteral("/mervantic.ini")); },
         Startup::Outcome::Failed},
        {"299 bytes", [](Scene& t) { t.writeTemplate(QByteArray(299, '\0')); },
         Startup::Outcome::Failed},
        {"300 bytes", [](Scene& t) { t.writeTemplate(QByteArray(300, '\0')); },
         Startup::Outcome::Run},
        {"a folder of that name",
         [](Scene& t) {
             QFile::remove(t.programFolder + QStringLiteral("/mervantic.ini"));
             QDir().mkpath(t.programFolder + QStringLiteral("/mervantic.ini"));
         },
         Startup::Outcome::Failed},
    };
    for (const TemplateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene fresh;
        c.prepare(fresh);
        EXPECT_EQ(fresh.run(), c.outcome);
        if (c.outcome == Startup::Outcome::Failed)
            EXPECT_EQ(fresh.prompts.failures, QStringList{failure});
        else
            EXPECT_EQ(QFileInfo(fresh.values.settingsFilePath).size(), 300);
    }
}

TEST_F(StartupTest, AnExistingSettingsFileIsKeptButTheTemplateIsStillRequired) {
    QDir().mkpath(dataFolder());
    SettingsRecord mine;
    mine.recheckMinutes = 77;
    writeFile(dataFolder() + QStringLiteral("/mervantic.ini"), mine.toBytes());
    ASSERT_EQ(run(), Startup::Outcome::Run);
    EXPECT_EQ(SettingsFile::read(values.settingsFilePath)->recheckMinutes, 77);

    writeTemplate(QByteArray(299, '\0'));
    EXPECT_EQ(run(), Startup::Outcome::Failed);
}

TEST_F(StartupTest, ASettingsFileThatIsAFolderIsNamedAsSuch) {
    const QString settings = dataFolder() + QStringLiteral("/mervantic.ini");
    QDir().mkpath(settings);
    EXPECT_EQ(run(), Startup::Outcome::Failed);
    ASSERT_EQ(prompts.failures.size(), 1);
    EXPECT_EQ(prompts.failures.first(),
              QStringLiteral("Mervantic Unable To Run: ") + settings +
                  QStringLiteral(" Is A Folder, Not The Settings File: Remove Or Rename It"));
}

// A data file must be a file, or a link to one (people keep their files under a dotfile
// manager): a FIFO would block the start for ever, a device would be read until memory ran out.
TEST_F(StartupTest, ADataFileThatIsNotAFileEndsTheStartNamingIt) {
    struct Case {
        const char* name;
        const char* file;
        std::function<void(const QString& path)> make;
        bool runs;
    };
    const Case cases[] = {
        {"the account file a FIFO", "mervuser.ini",
         [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); }, false},
        {"the settings file a link to /dev/zero", "mervantic.ini",
         [](const QString& path) { QFile::link(QStringLiteral("/dev/zero"), path); }, false},
        {"the seen memory a FIFO", "mervseen.dat",
         [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); }, false},
        {"the account file a link to a file", "mervuser.ini",
         [](const QString& path) {
             const QString kept = path + QStringLiteral(".kept");
             writeFile(kept, QByteArray(454, ' '));
             QFile::link(kept, path);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene fresh;
        QDir().mkpath(fresh.dataFolder());
        const QString path = fresh.dataFolder() + QLatin1Char('/') + QLatin1String(c.file);
        c.make(path);
        EXPECT_EQ(fresh.run(), c.runs ? Startup::Outcome::Run : Startup::Outcome::Failed);
        if (!c.runs) {
            EXPECT_EQ(fresh.prompts.failures,
                      QStringList{QStringLiteral("Mervantic Unable To Run: ") + path +
                                  QStringLiteral(" Is Not A Regular File: Remove Or Rename It")});
        }
    }
}

TEST_F(StartupTest, TheTemplateIsFoundInShareWhenItIsNotBesideTheProgram) {
    // Installed as bin/mervantic with share/mervantic/mervantic.ini.
    QFile::remove(programFolder + QStringLiteral("/mervantic.ini"));
    const QString share = root.filePath(QStringLiteral("share/mervantic"));
    QDir().mkpath(share);
    SettingsRecord shipped;
    shipped.recheckMinutes = 42;
    writeFile(share + QStringLiteral("/mervantic.ini"), shipped.toBytes());
    ASSERT_EQ(run(), Startup::Outcome::Run);
    EXPECT_EQ(SettingsFile::read(values.settingsFilePath)->recheckMinutes, 42);
}

TEST_F(StartupTest, TheRunPasswordMustBeEnteredExactly) {
    SettingsRecord locked;
    locked.runPasswordScrambled = PasswordScrambler::scrambleChunk(QStringLiteral("Open Sesame  "));
    writeTemplate(locked.toBytes());
    struct Entry {
        std::optional<QString> typed;
        Startup::Outcome outcome;
    };
    const Entry entries[] = {
        {QStringLiteral("Open Sesame"), Startup::Outcome::Run}, // stored with blanks, asked without
        {QStringLiteral("open sesame"), Startup::Outcome::EndSilently},
        {QStringLiteral("Open Sesame "), Startup::Outcome::EndSilently},
        {QString(), Startup::Outcome::EndSilently},
        {std::nullopt, Startup::Outcome::EndSilently}, // cancelled
    };
    for (const Entry& e : entries) {
        prompts.answer = e.typed;
        prompts.prompts.clear();
        EXPECT_EQ(run(), e.outcome) << e.typed.value_or(QStringLiteral("<cancel>")).toStdString();
        EXPECT_EQ(prompts.prompts, QStringList{QStringLiteral("Enter Your Password In The Box.")});
        EXPECT_TRUE(prompts.failures.isEmpty());
    }
    EXPECT_EQ(values.runPassword, QStringLiteral("Open Sesame"));
}

TEST_F(StartupTest, ADataFolderThatCannotBeMadeStopsWithItsPath) {
    // A file where the application data folder should be.
    writeFile(home + QStringLiteral("/Application Data"), "in the way");
    EXPECT_EQ(run(), Startup::Outcome::Failed);
    EXPECT_EQ(prompts.failures,
              QStringList{QStringLiteral("Mervantic Unable To Run: ") + home +
                          QStringLiteral("/Application Data Dir, or Error Creating It")});

    Scene inner;
    QDir().mkpath(inner.home + QStringLiteral("/Application Data"));
    writeFile(inner.home + QStringLiteral("/Application Data/Mervantic"), "in the way");
    EXPECT_EQ(inner.run(), Startup::Outcome::Failed);
    EXPECT_EQ(inner.prompts.failures,
              QStringList{QStringLiteral("Mervantic Unable To Run: ") + inner.dataFolder() +
                          QStringLiteral(" Dir, or Error Creating It")});
}

struct ChainCase {
    const char* name;
    std::function<void(Scene&)> prepare;
    // The user folder the data folder lies in; empty: start-up fails with `failure`.
    std::function<QString(Scene&)> userFolder;
    QString failure;
};

TEST_F(StartupTest, TheUserFolderIsFoundByTheFallbackChainOfEachFamily) {
    const QString noUserFolder =
        QStringLiteral("Mervantic Unable To Run: App Start-Up, Error Geting Your XP-NT User Dir, "
                       "Then Default User Dir");
    const std::vector<ChainCase> cases = {
        {"multi-user: the profile folder, its trailing separator dropped",
         [](Scene& t) { t.folders.profile = t.home + QStringLiteral("/"); },
         [](Scene& t) { return t.home; },
         {}},
        {"multi-user, no profile query: the constructed folder when it exists",
         [](Scene& t) {
             t.folders.profile.reset();
             t.folders.drive = t.root.path() + QStringLiteral("/");
             QDir().mkpath(t.root.path() + QStringLiteral("/Documents And Settings/alice"));
         },
         [](Scene& t) { return t.root.path() + QStringLiteral("/Documents And Settings/alice"); },
         {}},
        {"multi-user, no profile query, no such folder: the default profile",
         [](Scene& t) {
             t.folders.profile.reset();
             t.folders.defaultProfile = t.root.path() + QStringLiteral("/default/");
             QDir().mkpath(t.root.path() + QStringLiteral("/default"));
         },
         [](Scene& t) { return t.root.path() + QStringLiteral("/default"); },
         {}},
        {"multi-user, no profile query and no user name: the default profile",
         [](Scene& t) {
             t.folders.profile.reset();
             t.folders.name.reset();
             t.folders.defaultProfile = t.root.path() + QStringLiteral("/default");
             QDir().mkpath(t.root.path() + QStringLiteral("/default"));
         },
         [](Scene& t) { return t.root.path() + QStringLiteral("/default"); },
         {}},
        {"multi-user, nothing found",
         [](Scene& t) {
             t.folders.profile.reset();
             t.folders.defaultProfile = t.root.path() + QStringLiteral("/no-such-folder");
         },
         {},
         noUserFolder},
        {"multi-user, no default profile query either",
         [](Scene& t) { t.folders.profile.reset(); },
         {},
         noUserFolder},
        {"single-user: the profile under the system folder, made when missing",
         [](Scene& t) { t.folders.family = 1; },
         [](Scene& t) { return t.root.path() + QStringLiteral("/windows/Profiles/alice"); },
         {}},
        {"single-user without a user name: the default user",
         [](Scene& t) {
             t.folders.family = 1;
             t.folders.name = QString(QChar(0)) + QStringLiteral("junk");
         },
         [](Scene& t) { return t.root.path() + QStringLiteral("/windows/Profiles/Default User"); },
         {}},
        {"single-user whose name query fails",
         [](Scene& t) {
             t.folders.family = 1;
             t.folders.name.reset();
         },
         {},
         QStringLiteral("Mervantic Unable To Run: Error Getting 95-98 Username")},
        {"single-user whose profiles folder cannot be made",
         [](Scene& t) {
             t.folders.family = 1;
             QDir().mkpath(t.root.path() + QStringLiteral("/windows"));
             writeFile(t.root.path() + QStringLiteral("/windows/Profiles"), "in the way");
         },
         {},
         QStringLiteral("Mervantic Unable To Run: ") +
             QStringLiteral("%1/windows/Profiles Dir, or Error Creating It")},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.name);
        Scene t;
        c.prepare(t);
        const Startup::Outcome outcome = t.run();
        if (c.userFolder) {
            ASSERT_EQ(outcome, Startup::Outcome::Run)
                << t.prompts.failures.join(u'\n').toStdString();
            EXPECT_EQ(t.values.dataFolder,
                      c.userFolder(t) + QStringLiteral("/Application Data/Mervantic"));
            EXPECT_TRUE(QFileInfo(t.values.dataFolder).isDir());
        } else {
            EXPECT_EQ(outcome, Startup::Outcome::Failed);
            EXPECT_EQ(t.prompts.failures,
                      QStringList{QString(c.failure).replace(QStringLiteral("%1"), t.root.path())});
        }
    }
}

TEST_F(StartupTest, AProgramFolderAtTheRootStillJoinsFileNamesCleanly) {
    EXPECT_EQ(Startup::appFolderFrom(QStringLiteral("/")), QString());
    EXPECT_EQ(Startup::appFolderFrom(QStringLiteral("/opt/mervantic/")),
              QStringLiteral("/opt/mervantic"));
    EXPECT_EQ(Startup::cutAtNul(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")),
              QStringLiteral("ab"));
}

} // namespace
} // namespace mervantic
