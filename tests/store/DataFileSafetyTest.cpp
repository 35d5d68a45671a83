// The two data files are replaced whole or not at all, even on a full disk, and they and their
// folder stay private to the user.
#include "Printers.h"
#include "SmallDisk.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"
#include "store/PasswordScrambler.h"
#include "store/SettingsRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervantic {
namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

AccountList accountsNamed(std::initializer_list<const char*> names) {
    AccountList list;
    int number = 0;
    for (const char* name : names) {
        ++number;
        list.append({QString::fromLatin1(name), QStringLiteral("user%1").arg(number),
                     QStringLiteral("pop.example.org"), QStringLiteral("110"),
                     AccountKey::make(number, QStringLiteral("secret")), false});
    }
    return list;
}

SettingsRecord settingsWithInterval(int minutes) {
    SettingsRecord record;
    record.recheckMinutes = minutes;
    record.fontName = QStringLiteral("DejaVu Sans");
    return record;
}

// Each data file's first save and a later, larger one.
struct FileCase {
    const char* name;
    const char* file;
    std::function<bool(const QString& path)> firstSave;
    std::function<bool(const QString& path)> laterSave;
};

const std::vector<FileCase>& fileCases() {
    static const std::vector<FileCase> cases = {
        {"account file", "mervuser.ini",
         [](const QString& path) { return AccountFile(path).save(accountsNamed({"Home"})); },
         [](const QString& path) {
             return AccountFile(path).save(accountsNamed({"Home", "Work", "Club", "Shop"}));
         }},
        {"account appended", "mervuser.ini",
         [](const QString& path) { return AccountFile(path).save(accountsNamed({"Home"})); },
         [](const QString& path) {
             return AccountFile(path).append(accountsNamed({"Work"}).at(1));
         }},
        {"settings file", "mervantic.ini",
         [](const QString& path) { return SettingsFile::write(path, settingsWithInterval(30)); },
         [](const QString& path) { return SettingsFile::write(path, settingsWithInterval(45)); }},
    };
    return cases;
}

TEST(DataFileSafety, ASaveOnAFullDiskFailsAndLeavesTheOldFileWhole) {
    for (const FileCase& c : fileCases()) {
        SCOPED_TRACE(c.name);
        test::SmallDisk disk;
        if (!disk.mounted())
            GTEST_SKIP() << disk.why().toStdString();
        const QString path = disk.path() + QLatin1Char('/') + QLatin1String(c.file);
        ASSERT_TRUE(c.firstSave(path));
        const QByteArray before = readFile(path);
        ASSERT_FALSE(before.isEmpty());
        disk.fill();
        EXPECT_FALSE(c.laterSave(path));
        EXPECT_EQ(readFile(path), before);
        // Nothing half-written is left beside it.
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{QStringLiteral("filler"), QLatin1String(c.file)}));
    }
}

TEST(DataFileSafety, SavedFilesAndTheirFolderArePrivateWhateverTheUmask) {
    const mode_t previous = ::umask(022);
    for (const FileCase& c : fileCases()) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Mervantic"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QLatin1Char('/') + QLatin1String(c.file);
        // Files and a folder left readable by an earlier version are tightened at the next save.
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
        ASSERT_TRUE(c.firstSave(path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
        ASSERT_TRUE(c.laterSave(path));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    ::umask(previous);
}

TEST(DataFileSafety, AnAccountFileMadeAtLoadIsPrivate) {
    const mode_t previous = ::umask(022);
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("mervuser.ini"));
    AccountList loaded;
    AccountFile(path).load(loaded);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ::umask(previous);
}

// What the program cannot read it keeps as it was: a record whose password cannot be
// unscrambled, or a file of random bytes, is written back byte for byte where it stood.
TEST(DataFileSafety, RecordsThatCannotBeReadAreWrittenBackAsTheyWere) {
    const QByteArray good = AccountFile::encodeRecord(accountsNamed({"Home"}).at(1));
    QByteArray damaged = AccountFile::encodeRecord(accountsNamed({"Work"}).at(1));
    damaged.replace(128, 64, QByteArray(64, 'x')); // the password field
    QByteArray random(3 * AccountFile::kRecordSize, Qt::Uninitialized);
    quint32 seed = 20261210;
    for (char& byte : random) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    struct Case {
        const char* name;
        QByteArray file;
        std::function<void(AccountList&)> change;
        QByteArray expected;
        // The record (from 0) that is readable: its password is scrambled afresh at each save.
        int readable = -1;
    };
    QByteArray damagedTicked = damaged;
    damagedTicked.replace(452, 2, QByteArray("\x01\x00", 2));
    const std::vector<Case> cases = {
        {"a damaged password field beside a good record", good + damaged, {}, good + damaged, 0},
        {"random bytes", random, {}, random},
        {"a damaged record ticked", good + damaged, [](AccountList& list) { list.checkItem(2); },
         good + damagedTicked, 0},
        {"a damaged record moved to the top", good + damaged,
         [](AccountList& list) {
             AccountRow moved = list.at(2);
             list.remove(2);
             list.insert(1, moved);
         },
         damaged + good, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("mervuser.ini"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.file);
        file.close();
        AccountList list;
        ASSERT_EQ(AccountFile(path).load(list), AccountFile::LoadResult::Loaded);
        if (c.change)
            c.change(list);
        ASSERT_TRUE(AccountFile(path).save(list));
        QByteArray saved = readFile(path);
        QByteArray expected = c.expected;
        if (c.readable >= 0) {
            const qsizetype field = c.readable * AccountFile::kRecordSize + 128;
            EXPECT_EQ(PasswordScrambler::unscrambleChunk(QString::fromLatin1(saved.mid(field, 64))),
                      QStringLiteral("secret"));
            saved.replace(field, 64, QByteArray(64, '*'));
            expected.replace(field, 64, QByteArray(64, '*'));
        }
        EXPECT_EQ(saved, expected);
    }
}

TEST(DataFileSafety, ARenamedUnreadableRecordKeepsAllButItsName) {
    QByteArray damaged = AccountFile::encodeRecord(accountsNamed({"Work"}).at(1));
    damaged.replace(128, 64, QByteArray(64, 'x'));
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("mervuser.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    AccountList list;
    AccountFile(path).load(list);
    ASSERT_TRUE(AccountFile(path).save(list, QStringLiteral("Office"), 1));
    const QByteArray saved = readFile(path);
    EXPECT_EQ(saved.mid(0, 64), QByteArray("Office").leftJustified(64, ' '));
    EXPECT_EQ(saved.mid(64), damaged.mid(64));
}

TEST(DataFileSafety, AnAccountFileThatIsAFolderIsReportedNotEmptied) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("mervuser.ini"));
    ASSERT_TRUE(QDir().mkpath(path));
    AccountList list;
    EXPECT_EQ(AccountFile(path).load(list), AccountFile::LoadResult::NotAFile);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Bytes after the last whole record, too few to be read as one (226 hold a whole name, user
// name and password), are kept after the records through a save and an append.
TEST(DataFileSafety, BytesAfterTheLastRecordAreKeptAsTheyWere) {
    for (const qsizetype extra : {qsizetype{100}, qsizetype{226}}) {
        SCOPED_TRACE(extra);
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("mervuser.ini"));
        const AccountList two = accountsNamed({"Home", "Work"});
        QByteArray tail(extra, 't');
        tail[0] = '\0';
        writeBytes(path, AccountFile::encodeRecord(two.at(1)) +
                             AccountFile::encodeRecord(two.at(2)) + tail);
        AccountFile file(path);
        AccountList list;
        ASSERT_EQ(file.load(list), AccountFile::LoadResult::Loaded);
        ASSERT_EQ(list.count(), 2);
        ASSERT_TRUE(file.save(list, QStringLiteral("Office"), 2));
        QByteArray saved = readFile(path);
        ASSERT_EQ(saved.size(), 2 * AccountFile::kRecordSize + extra);
        EXPECT_EQ(saved.mid(2 * AccountFile::kRecordSize), tail);
        EXPECT_EQ(saved.mid(AccountFile::kRecordSize, 6), QByteArray("Office"));

        ASSERT_TRUE(file.append(accountsNamed({"Club"}).at(1)));
        saved = readFile(path);
        ASSERT_EQ(saved.size(), 3 * AccountFile::kRecordSize + extra);
        EXPECT_EQ(saved.mid(2 * AccountFile::kRecordSize, 4), QByteArray("Club"));
        EXPECT_EQ(saved.mid(3 * AccountFile::kRecordSize), tail);
        AccountList reread;
        ASSERT_EQ(AccountFile(path).load(reread), AccountFile::LoadResult::Loaded);
        EXPECT_EQ(reread.count(), 3);
    }
}

// A file the program could not read is not written by that run, whatever it is asked to save;
// and a file larger than any account list is not read at all.
TEST(DataFileSafety, AnAccountFileThatCouldNotBeReadIsNeverWritten) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> make;
        AccountFile::LoadResult result;
        bool needsUser = false;
    };
    const Case cases[] = {
        {"larger than 10,000 accounts",
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             ASSERT_TRUE(file.resize(AccountFile::kMostAccounts * AccountFile::kRecordSize + 1));
         },
         AccountFile::LoadResult::TooLarge},
        {"writable but not readable",
         [](const QString& path) {
             writeBytes(path, AccountFile::encodeRecord(accountsNamed({"Home"}).at(1)));
             QFile::setPermissions(path, QFileDevice::WriteOwner);
         },
         AccountFile::LoadResult::Unreadable, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsUser && ::geteuid() == 0) {
            // Root reads any file whatever its mode: nothing is unreadable to it.
            continue;
        }
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("mervuser.ini"));
        c.make(path);
        const qint64 size = QFileInfo(path).size();
        AccountFile file(path);
        AccountList list;
        EXPECT_EQ(file.load(list), c.result);
        EXPECT_TRUE(list.isEmpty());
        EXPECT_FALSE(file.writable());
        QString why;
        EXPECT_FALSE(file.save(accountsNamed({"Home", "Work"}), {}, 0, &why));
        EXPECT_TRUE(why.startsWith(QStringLiteral("the file could not be read when the program "
                                                  "started")))
            << why.toStdString();
        EXPECT_FALSE(file.append(accountsNamed({"Club"}).at(1)));
        EXPECT_EQ(QFileInfo(path).size(), size);
    }
}

// Tightening only ever takes permissions away: a folder or file the user made read-only is
// neither made writable nor written, even by a process that could.
TEST(DataFileSafety, AReadOnlyFolderOrFileIsReportedNotChanged) {
    struct Case {
        const char* name;
        bool folderReadOnly;
        const char* why;
    };
    for (const Case c : {Case{"a read-only folder", true, " is read-only"},
                         Case{"a read-only file", false, " is read-only"}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Mervantic"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/mervantic.ini");
        ASSERT_TRUE(SettingsFile::write(path, settingsWithInterval(30)));
        const QByteArray before = readFile(path);
        const QString readOnly = c.folderReadOnly ? folder : path;
        const mode_t mode = c.folderReadOnly ? 0500 : 0400;
        ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), mode), 0);
        QString why;
        EXPECT_FALSE(SettingsFile::write(path, settingsWithInterval(45), &why));
        EXPECT_EQ(why,
                  (c.folderReadOnly ? QStringLiteral("the folder ") : QStringLiteral("the file ")) +
                      readOnly + QLatin1String(c.why));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(readOnly).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode);
        EXPECT_EQ(readFile(path), before);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
}

// What follows the settings record is kept byte for byte, however large, a piece at a time.
TEST(DataFileSafety, TheSettingsFilesTailIsKeptWhateverItsSize) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("mervantic.ini"));
    QByteArray tail(5 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<char>(i * 7 + i / 251);
    writeBytes(path, settingsWithInterval(30).toBytes() + tail);
    ASSERT_TRUE(SettingsFile::write(path, settingsWithInterval(45)));
    const QByteArray saved = readFile(path);
    ASSERT_EQ(saved.size(), SettingsRecord::kSize + tail.size());
    EXPECT_EQ(SettingsRecord::fromBytes(saved).recheckMinutes, 45);
    EXPECT_TRUE(saved.mid(SettingsRecord::kSize) == tail);
}

} // namespace
} // namespace mervantic
