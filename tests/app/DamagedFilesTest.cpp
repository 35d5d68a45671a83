// Each data file damaged in turn, as a disk, a crash or another program damages it, and the
// real program started on it: the damage is said once, naming the file; what could be read is
// used; and the file is kept byte for byte (set aside beside itself) before anything replaces it.
#include "ProgramFixture.h"
#include "mail/SeenMemory.h"

#include <QDir>
#include <QFile>

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

struct Damage {
    const char* name;
    const char* file;
    // Damages the file, given its path and its good content.
    std::function<void(const QString& path, const QByteArray& good)> damage;
    // How the message about it begins, after the file's path; what the program then knows.
    const char* said;
    qsizetype seenMessages;
};

class DamagedFiles : public test::ProgramFixture {
protected:
    QStringList keptAside(const QString& name) {
        return QDir(dataFolder())
            .entryList({name + QStringLiteral(".damaged-*")}, QDir::Files | QDir::System);
    }
};

TEST_F(DamagedFiles, EachIsSaidKeptAsideAndWhatWasReadableIsUsed) {
    const std::vector<Damage> table = {
        {"one byte appended to the seen file", "mervseen.dat",
         [](const QString& path, const QByteArray& good) { write(path, good + "x"); },
         " Is Damaged (it has 1 bytes more than it should): The 100 Messages It Could Read Are "
         "Remembered",
         100},
        {"the seen file cut in the middle of the second mailbox", "mervseen.dat",
         [](const QString& path, const QByteArray& good) {
             write(path, good.first(good.size() - 25 * 17));
         },
         " Is Damaged (it is cut short): The 75 Messages It Could Read Are Remembered", 75},
        {"a seen file of 1 GB", "mervseen.dat",
         [](const QString& path, const QByteArray&) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             ASSERT_TRUE(file.resize(qint64{1024} * 1024 * 1024)); // sparse: no disk taken
         },
         " Is Damaged (Is Larger Than 64 MB): The 0 Messages It Could Read Are Remembered", 0},
    };
    for (const Damage& d : table) {
        SCOPED_TRACE(d.name);
        program.reset();
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
        dialogs.messages.clear();
        const QString path = dataFolder() + QLatin1Char('/') + QLatin1String(d.file);
        write(path, seenFile());
        d.damage(path, seenFile());
        const qint64 damagedSize = QFileInfo(path).size();
        const QByteArray damagedHead = headOf(path);
        start(false);
        ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join(u'\n').toStdString();
        const QString said = dialogs.messages.first();
        EXPECT_TRUE(said.startsWith(QStringLiteral("The Seen-Mail File ") + path +
                                    QString::fromLatin1(d.said)))
            << said.toStdString();
        EXPECT_EQ(program->mail().seenMemory().messageCount(), d.seenMessages);
        // Kept byte for byte, named in the message.
        const QStringList kept = keptAside(QLatin1String(d.file));
        ASSERT_EQ(kept.size(), 1);
        const QString keptPath = dataFolder() + QLatin1Char('/') + kept.first();
        EXPECT_TRUE(said.endsWith(QStringLiteral("The Damaged File Is Kept As ") + keptPath))
            << said.toStdString();
        EXPECT_EQ(QFileInfo(keptPath).size(), damagedSize);
        EXPECT_EQ(headOf(keptPath), damagedHead);
        // The close writes what was read, and the next start says nothing more.
        ASSERT_TRUE(window().close());
        program.reset();
        dialogs.messages.clear();
        start(false);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
        EXPECT_EQ(program->mail().seenMemory().messageCount(), d.seenMessages);
        EXPECT_EQ(keptAside(QLatin1String(d.file)).size(), 1);
    }
}

} // namespace
} // namespace mervantic
