// Each data file damaged in turn, as a disk, a crash or another program damages it, and the
// real program started on it: the damage is said once, naming the file; what could be read is
// used; and the file is kept byte for byte (set aside beside itself) before anything replaces it.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "ScriptedSocket.h"
#include "app/AccountPage.h"
#include "app/MainWindow.h"
#include "mail/SeenMemory.h"
#include "store/AccountFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

// The first 4 KB of a file.
QByteArray headOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray("(unreadable)");
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A seen memory of two mailboxes with 50 messages each.
QByteArray seenFile() {
    SeenMemory memory;
    for (const char* user : {"alice", "bob"}) {
        for (int n = 0; n < 50; ++n) {
            MessageDigest digest;
            digest.bytes[0] = static_cast<quint8>(n);
            digest.bytes[1] = static_cast<quint8>(user[0]);
            memory.remember({QString::fromLatin1(user), QStringLiteral("pop.example.org"),
                             QStringLiteral("110")},
                            digest, MailIcon::Seen);
        }
    }
    return memory.toBytes();
}

// The connection settings of one account, kept over STARTTLS, with a trusted certificate.
QByteArray connectionsFile() {
    return R"({
    "accounts": [
        {"username": "alice", "server": "pop.example.org", "port": "1101",
         "security": "STARTTLS", "startTlsSeen": true}
    ],
    "pins": [{"server": "pop.example.org", "port": "1101", "certificate": "AAAA"}]
}
)";
}

struct Damage {
    const char* name;
    const char* file;
    QByteArray good;
    // Damages the file, given its path and its good content.
    std::function<void(const QString& path, const QByteArray& good)> damage;
    // How the one message about it begins, after "<what> <path>".
    const char* said;
    // What the program must then do and know.
    std::function<void(Program&, test::ScriptedSocket&)> then;
    // Whether the file is set aside (and a good one written) or left as it is.
    bool keptAside = true;
    // Whether the next start says it again (what it found is still there).
    bool saidAgain = false;
};

class DamagedFiles : public test::ProgramFixture {
protected:
    QStringList keptAside(const QString& name) {
        return QDir(dataFolder())
            .entryList({name + QStringLiteral(".damaged-*")}, QDir::Files | QDir::System);
    }
};

const auto remembers = [](qsizetype messages) {
    return [messages](Program& program, test::ScriptedSocket&) {
        EXPECT_EQ(program.mail().seenMemory().messageCount(), messages);
    };
};

// Two accounts, Box and Work, on ports 1101 and 1102.
QByteArray twoAccounts() {
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("mervuser.ini"));
    AccountList list;
    list.append({QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                 QStringLiteral("1101"), AccountKey::make(1, QStringLiteral("secret")), false});
    list.append({QStringLiteral("Work"), QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                 QStringLiteral("1102"), AccountKey::make(2, QStringLiteral("secret")), false});
    EXPECT_TRUE(AccountFile(path).save(list));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A damaged account is skipped with its row saying why; the others are checked, and the run
// is not halted.
const auto checksTheOthers = [](Program& program, test::ScriptedSocket& socket) {
    // Where the account is listed, its row says why.
    const QAbstractItemModel* listed = program.window().accountPage()->list()->model();
    EXPECT_TRUE(listed->index(1, 0)
                    .data(kPlainToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("its record in the username file ")));
    EXPECT_FALSE(listed->index(0, 0).data(kPlainToolTipRole).isValid());
    test::Script empty = test::Script::loggedOn();
    empty.expect("STAT").serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, empty);
    program.checker().checkMailButton();
    ASSERT_TRUE(
        test::waitUntil([&] { return program.checker().phase() == RunPhase::Idle; }, 10000));
    ASSERT_EQ(program.mail().count(), 2);
    EXPECT_FALSE(program.mail().at(1).isFailure());
    EXPECT_TRUE(program.mail().at(2).isFailure());
    EXPECT_TRUE(program.mail().at(2).subject().startsWith(
        QStringLiteral("Not checked: its record in the username file ")))
        << program.mail().at(2).subject().toStdString();
    EXPECT_TRUE(
        program.mail().at(2).subject().endsWith(QStringLiteral("(change the account to mend it)")));
};

// Security fails closed: no connection is made, and the account's row says why.
const auto checksNothing = [](Program& program, test::ScriptedSocket& socket) {
    const int before = socket.connections();
    program.checker().checkMailButton();
    ASSERT_TRUE(
        test::waitUntil([&] { return program.checker().phase() == RunPhase::Idle; }, 10000));
    EXPECT_EQ(socket.connections(), before);
    ASSERT_EQ(program.mail().count(), 1);
    EXPECT_TRUE(program.mail().at(1).subject().startsWith(
        QStringLiteral("Not checked: The Connection Settings File ")))
        << program.mail().at(1).subject().toStdString();
};

TEST_F(DamagedFiles, EachIsSaidKeptAndWhatWasReadableIsUsed) {
    const std::vector<Damage> table = {
        {"one byte appended to the seen file", "mervseen.dat", seenFile(),
         [](const QString& path, const QByteArray& good) { write(path, good + "x"); },
         " Is Damaged (it holds bytes past its end (1)): Messages It Could Read Are "
         "Remembered (100)",
         remembers(100)},
        {"the seen file cut in the middle of the second mailbox", "mervseen.dat", seenFile(),
         [](const QString& path, const QByteArray& good) {
             write(path, good.first(good.size() - 25 * 17));
         },
         " Is Damaged (it is cut short): Messages It Could Read Are Remembered (75)",
         remembers(75)},
        {"a seen file of 1 GB", "mervseen.dat", seenFile(),
         [](const QString& path, const QByteArray&) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             ASSERT_TRUE(file.resize(qint64{1024} * 1024 * 1024)); // sparse: no disk taken
         },
         " Is Damaged (Is Larger Than 64 MB): Messages It Could Read Are Remembered (0)",
         remembers(0)},
        {"a sparse settings file of 1 GB", "mervantic.ini", QByteArray(),
         [](const QString& path, const QByteArray&) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.resize(qint64{1024} * 1024 * 1024));
         },
         " Held 1073741824 Bytes, Far More Than Its Settings: Its Settings Are Used",
         [](Program&, test::ScriptedSocket&) {}},
        {"the username file cut in the middle of the second record", "mervuser.ini", twoAccounts(),
         [](const QString& path, const QByteArray& good) { write(path, good.first(454 + 300)); },
         " Is Damaged: The Record Of Account 2 (Work) Is Cut Short. That Account Is Listed But "
         "Not Checked Until You Change It",
         checksTheOthers, true, true},
        {"a second list of accounts in the connection settings", "mervconn.json", connectionsFile(),
         [](const QString& path, const QByteArray& good) {
             write(path, QByteArray(good).replace("\n}\n", ",\n    \"accounts\": []\n}\n"));
         },
         " Is Damaged: It Holds \"accounts\" Twice: No Account Is Checked Until It Is Mended Or "
         "Removed",
         checksNothing, false},
        {"a security of the wrong kind in the connection settings", "mervconn.json",
         connectionsFile(),
         [](const QString& path, const QByteArray& good) {
             write(path, QByteArray(good).replace("\"STARTTLS\"", "3"));
         },
         " Is Damaged: Its \"security\" Is Not Of The Right Kind: No Account Is Checked",
         checksNothing, false},
        {"connection settings that cannot be read", "mervconn.json", connectionsFile(),
         [](const QString& path, const QByteArray&) {
             QFile::remove(path);
             QDir().mkpath(path);
         },
         " Is Not A Regular File: No Account Is Checked", checksNothing, false},
    };
    for (const Damage& d : table) {
        SCOPED_TRACE(d.name);
        program.reset();
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
        dialogs.messages.clear();
        accounts = AccountList();
        accounts.append({QStringLiteral("Box"), QStringLiteral("alice"),
                         QStringLiteral("pop.example.org"), QStringLiteral("1101"),
                         AccountKey::make(1, QStringLiteral("secret")), false});
        writeAccountFile = QLatin1String(d.file) != QLatin1String("mervuser.ini");
        const QString path = dataFolder() + QLatin1Char('/') + QLatin1String(d.file);
        qint64 damagedSize = -1;
        QByteArray damagedHead;
        // Damaged once the fixture has written its files, before the program reads them.
        afterFilesWritten = [&] {
            if (!d.good.isEmpty())
                write(path, d.good);
            d.damage(path, d.good);
            const QFileInfo damaged(path);
            damagedSize = damaged.isFile() ? damaged.size() : -1;
            damagedHead = headOf(path);
        };
        start(false);
        afterFilesWritten = {};
        ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join(u'\n').toStdString();
        const QString said = dialogs.messages.first();
        EXPECT_TRUE(said.contains(path + QString::fromLatin1(d.said))) << said.toStdString();
        d.then(*program, socket);
        // Kept byte for byte: aside, named in the message, or where it was.
        const QStringList kept = keptAside(QLatin1String(d.file));
        ASSERT_EQ(kept.size(), d.keptAside ? 1 : 0);
        const QString keptPath =
            d.keptAside ? dataFolder() + QLatin1Char('/') + kept.first() : path;
        if (d.keptAside) {
            EXPECT_TRUE(said.endsWith(QStringLiteral("The Damaged File Is Kept As ") + keptPath))
                << said.toStdString();
        }
        ASSERT_TRUE(window().close());
        EXPECT_EQ(QFileInfo(keptPath).isFile() ? QFileInfo(keptPath).size() : -1, damagedSize);
        EXPECT_EQ(headOf(keptPath), damagedHead);
        // A file set aside is replaced by a good one at the close, and the next start says
        // nothing more; one left as it is is said again.
        program.reset();
        dialogs.messages.clear();
        start(false);
        EXPECT_EQ(dialogs.messages.size(), d.keptAside && !d.saidAgain ? 0 : 1)
            << dialogs.messages.join(u'\n').toStdString();
        if (d.keptAside)
            d.then(*program, socket);
    }
}

} // namespace
} // namespace mervantic
