#include "Printers.h"
#include "mail/DeletionPlan.h"
#include "mail/MailListModel.h"
#include "mail/SeenMemoryFile.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mervantic {
namespace {

struct Message {
    QString user = QStringLiteral("alice");
    QString from = QStringLiteral("a@example.org");
    QString subject = QStringLiteral("Hello");
    QString date = QStringLiteral("Mon, 4 Jan 2003 09:15:00 -0500");
    QString id = QStringLiteral("<1@example.org>");
    QString server = QStringLiteral("pop.example.org");
    QString port = QStringLiteral("110");
    QString display = QStringLiteral("Alice");
};

void add(MailList& list, const Message& m) {
    list.addMessageRow(m.display, m.user, QStringLiteral("pw"), m.from, m.subject, m.date, m.server,
                       m.port, m.id);
}

Message withSubject(const char* subject) {
    Message m;
    m.subject = QString::fromLatin1(subject);
    return m;
}

class MailListTest : public ::testing::Test {
protected:
    MailList list;
    MailListModel model{list};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};

    QList<int> icons() const {
        QList<int> result;
        for (const MailItem& item : list.rows())
            result << static_cast<int>(item.icon);
        return result;
    }
};

TEST_F(MailListTest, AMessageIsSeenOnlyWhenTheSnapshotHoldsItSeenInAllSevenFields) {
    add(list, withSubject("seen"));
    add(list, withSubject("new"));
    add(list, withSubject("seen, other date"));
    list.addNoMailRow(QStringLiteral("Bob"), QStringLiteral("bob"));
    list.setIcon(1, MailIcon::Seen);
    list.setIcon(3, MailIcon::Seen);

    list.takeSnapshotAndClear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.newMessageCount(), 0);

    struct Case {
        Message message;
        MailIcon expected;
    };
    Message otherDate = withSubject("seen, other date");
    otherDate.date = QStringLiteral("Jan 4 2003 2:15 PM"); // the display format changed
    Message otherAccountSameBox = withSubject("seen");
    otherAccountSameBox.display = QStringLiteral("Alice at work"); // display name is not compared
    Message otherPort = withSubject("seen");
    otherPort.port = QStringLiteral("995");
    Message otherId = withSubject("seen");
    otherId.id = QStringLiteral("<2@example.org>");
    const Case cases[] = {
        {withSubject("seen"), MailIcon::Seen},
        {withSubject("new"), MailIcon::New},
        {otherDate, MailIcon::New},
        {otherAccountSameBox, MailIcon::Seen},
        {otherPort, MailIcon::New},
        {otherId, MailIcon::New},
        {withSubject("never before"), MailIcon::New},
    };
    for (const Case& c : cases)
        add(list, c.message);
    QList<int> expected;
    int newCount = 0;
    for (const Case& c : cases) {
        expected << static_cast<int>(c.expected);
        newCount += c.expected == MailIcon::New ? 1 : 0;
    }
    EXPECT_EQ(icons(), expected);
    EXPECT_EQ(list.newMessageCount(), newCount);
}

TEST_F(MailListTest, FieldsThatRunTogetherTheSameWayStillDiffer) {
    Message first = withSubject("ab");
    first.date = QStringLiteral("c");
    Message second = withSubject("a");
    second.date = QStringLiteral("bc");
    add(list, first);
    list.markAllSeen();
    list.takeSnapshotAndClear();
    add(list, second);
    add(list, first);
    EXPECT_EQ(icons(), (QList<int>{2, 1}));
}

// Without a model: the model tester looks at every row after each change.
TEST(MailListLarge, KeepsEveryRowsState) {
    MailList list;
    for (int n = 0; n < 5000; ++n)
        add(list, withSubject(QByteArray::number(n).constData()));
    for (int row = 1; row <= list.count(); row += 3)
        list.setIcon(row, MailIcon::Seen);
    list.takeSnapshotAndClear();
    // The same messages in reverse order, and as many that were never seen before.
    for (int n = 4999; n >= 0; --n)
        add(list, withSubject(QByteArray::number(n).constData()));
    for (int n = 5000; n < 10000; ++n)
        add(list, withSubject(QByteArray::number(n).constData()));
    int seen = 0;
    for (int i = 0; i < 5000; ++i) {
        const bool wasSeen = (4999 - i) % 3 == 0;
        EXPECT_EQ(list.at(i + 1).icon, wasSeen ? MailIcon::Seen : MailIcon::New) << i;
        seen += wasSeen ? 1 : 0;
    }
    for (int row = 5001; row <= 10000; ++row)
        EXPECT_EQ(list.at(row).icon, MailIcon::New);
    EXPECT_EQ(list.newMessageCount(), 10000 - seen);
}

TEST_F(MailListTest, TheFirstEqualSnapshotEntryDecides) {
    add(list, withSubject("twin")); // new
    add(list, withSubject("twin"));
    list.setIcon(2, MailIcon::Seen);
    list.takeSnapshotAndClear();
    add(list, withSubject("twin"));
    add(list, withSubject("twin"));
    EXPECT_EQ(icons(), (QList<int>{2, 2}));
}

TEST_F(MailListTest, AListOfOnlyNoMailRowsMakesEveryMessageNew) {
    list.addNoMailRow(QStringLiteral("Alice"), QStringLiteral("alice"));
    list.takeSnapshotAndClear();
    add(list, withSubject("a"));
    EXPECT_EQ(icons(), QList<int>{2});
    EXPECT_EQ(list.newMessageCount(), 1);
}

TEST_F(MailListTest, RowKeysAreNumberedInAddingOrderNoMailRowsIncluded) {
    add(list, withSubject("a"));
    list.addNoMailRow(QStringLiteral("Bob"), QStringLiteral("bob"));
    add(list, withSubject("b"));
    QStringList keys;
    for (const MailItem& item : list.rows())
        keys << item.key();
    EXPECT_EQ(keys, (QStringList{"K1Ppw", "", "K3Ppw"}));
    const MailItem& noMail = list.at(2);
    EXPECT_TRUE(noMail.isNoMail());
    EXPECT_EQ(noMail.username(), QStringLiteral("bob"));
    for (const QString& column : {noMail.from(), noMail.subject(), noMail.dateSent(),
                                  noMail.server(), noMail.port(), noMail.messageId()})
        EXPECT_EQ(column, QStringLiteral("(no mail)"));
    EXPECT_EQ(noMail.icon, MailIcon::Seen);
}

TEST_F(MailListTest, SeenMarksEveryRow) {
    add(list, withSubject("a"));
    add(list, withSubject("b"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    list.markAllSeen();
    EXPECT_EQ(icons(), (QList<int>{1, 1}));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.data(model.index(1, 0), MailListModel::SeenNewRole).toInt(), 1);
}

TEST_F(MailListTest, TickOperationsActOnlyWithRowsAndTheDeleteFunctionsOn) {
    Message bobMessage = withSubject("for bob");
    bobMessage.user = QStringLiteral("bob");
    add(list, withSubject("a"));
    list.addNoMailRow(QStringLiteral("Alice"), QStringLiteral("alice"));
    add(list, bobMessage);
    list.addNoMailRow(QStringLiteral("Bob"), QStringLiteral("bob"));
    add(list, withSubject("b"));
    const auto ticks = [this] {
        QList<bool> result;
        for (const MailItem& item : list.rows())
            result << item.checked;
        return result;
    };

    list.checkAll();
    EXPECT_EQ(ticks(), (QList<bool>{false, false, false, false, false}));
    list.setDeleteFunctionsEnabled(true);
    list.checkAll();
    EXPECT_EQ(ticks(), (QList<bool>{true, true, true, true, true}));
    list.uncheckAll();
    list.checkAllForUser(2); // a "(no mail)" row: only "(no mail)" rows of the same user
    EXPECT_EQ(ticks(), (QList<bool>{false, true, false, false, false}));
    list.uncheckAll();
    list.checkAllForUser(1); // a message row: never a "(no mail)" row
    EXPECT_EQ(ticks(), (QList<bool>{true, false, false, false, true}));
    list.uncheckAllForUser(5);
    EXPECT_EQ(ticks(), (QList<bool>{false, false, false, false, false}));

    list.checkAll();
    list.setDeleteFunctionsEnabled(false);
    EXPECT_EQ(ticks(), (QList<bool>{false, false, false, false, false}));

    MailList empty;
    empty.setDeleteFunctionsEnabled(true);
    empty.checkAll();
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(MailListTest, TheModelShowsTheColumnsAndTheTickBoxesOnlyWithTheDeleteFunctions) {
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{" Display Name", "Username", "From", "Subject", "Date Sent",
                                    "Server", "Port", "Message_ID"}));

    add(list, withSubject("a"));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), QStringLiteral("a"));
    EXPECT_EQ(model.data(model.index(0, 6)).toString(), QStringLiteral("110"));
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::CheckStateRole).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
    EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));

    list.setDeleteFunctionsEnabled(true);
    EXPECT_TRUE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
    EXPECT_TRUE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(list.isItemChecked(1));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Checked);

    list.setEnabled(false);
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEnabled));
    const qsizetype oneRow = list.memoryCost();
    EXPECT_EQ(oneRow, list.at(1).cost());
    EXPECT_GT(oneRow, qsizetype{sizeof(MailItem)} + list.at(1).textSize() * 2);
    list.addNoMailRow(QStringLiteral("Bob"), QStringLiteral("bob"));
    list.removeRow(1);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(list.memoryCost(), list.at(1).cost());
    list.removeAll();
    EXPECT_EQ(list.memoryCost(), 0);
}

// What was seen stays seen whatever happens to the list: emptied by a cancel, an account left
// out of a check, another mailbox read to its end.
TEST_F(MailListTest, SeenMailStaysSeenWhenTheListIsEmptiedOrAMailboxIsNotRead) {
    Message bobMessage = withSubject("for bob");
    bobMessage.user = QStringLiteral("bob");
    add(list, withSubject("a"));
    add(list, bobMessage);
    list.markAllSeen();
    list.removeAll(); // a cancel empties the list
    EXPECT_EQ(list.newMessageCount(), 0);

    list.takeSnapshotAndClear();
    add(list, withSubject("a"));
    add(list, withSubject("new for alice"));
    // Alice's mailbox read to its end: what is remembered of it is what it holds now.
    list.rememberMailbox(
        {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("110")}, 1);
    EXPECT_EQ(icons(), (QList<int>{1, 2}));

    // Bob's mailbox was not read this time; his message is still known as seen.
    list.takeSnapshotAndClear();
    add(list, bobMessage);
    add(list, withSubject("a"));
    add(list, withSubject("new for alice"));
    EXPECT_EQ(icons(), (QList<int>{1, 1, 2}));
    EXPECT_EQ(list.newMessageCount(), 1);
    EXPECT_EQ(list.seenMemory().mailboxCount(), 2);
}

TEST_F(MailListTest, AFailedAccountsRowIsNotMailAndCannotBeTicked) {
    list.setDeleteFunctionsEnabled(true);
    add(list, withSubject("a"));
    list.addFailureRow(QStringLiteral("Work"), QStringLiteral("alice"), QStringLiteral("pop.work"),
                       QStringLiteral("995"), QStringLiteral("No such host: pop.work"),
                       Remedy::ChangePassword);
    const MailItem& failed = list.at(2);
    EXPECT_TRUE(failed.isFailure());
    EXPECT_FALSE(failed.isMessage());
    EXPECT_EQ(failed.from(), QStringLiteral("(check failed)"));
    EXPECT_EQ(failed.subject(), QStringLiteral("No such host: pop.work"));
    EXPECT_EQ(failed.server(), QStringLiteral("pop.work"));
    EXPECT_EQ(failed.port(), QStringLiteral("995"));
    EXPECT_EQ(failed.key(), QString());
    EXPECT_EQ(list.failureRowCount(), 1);
    EXPECT_EQ(list.newMessageCount(), 1);

    list.checkAll();
    list.checkItem(2);
    list.checkAllForUser(2);
    EXPECT_FALSE(list.isItemChecked(2));
    EXPECT_TRUE(list.isItemChecked(1));
    EXPECT_FALSE(model.flags(model.index(1, 0)).testFlag(Qt::ItemIsUserCheckable));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::CheckStateRole).isValid());
    EXPECT_FALSE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole) &&
                 list.isItemChecked(2));
    EXPECT_EQ(model.data(model.index(1, 0), Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Account not checked"));
    // What to do first, then the whole reason, however narrow its column.
    EXPECT_EQ(failed.remedy, Remedy::ChangePassword);
    const QString shown =
        QStringLiteral("Check the password (press Enter): No such host: pop.work");
    EXPECT_EQ(model.data(model.index(1, 2), Qt::DisplayRole).toString(),
              QStringLiteral("Check the password (press Enter)"));
    EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(),
              QStringLiteral("No such host: pop.work"));
    EXPECT_EQ(model.data(model.index(1, 3), MailListModel::PlainToolTipRole).toString(), shown);
    EXPECT_EQ(model.data(model.index(1, 3), Qt::ToolTipRole).toString(),
              QStringLiteral("<p style=\"white-space:pre-wrap\">") + shown +
                  QStringLiteral("</p>"));
    EXPECT_FALSE(model.data(model.index(0, 3), Qt::ToolTipRole).isValid());
    // Its own icon, not an envelope.
    model.setIcons(QStringLiteral("seen"), QStringLiteral("new"), QStringLiteral("failed"));
    EXPECT_EQ(model.data(model.index(1, 0), Qt::DecorationRole).toString(),
              QStringLiteral("failed"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DecorationRole).toString(), QStringLiteral("new"));

    // Nothing of it is remembered as mail.
    list.markAllSeen();
    EXPECT_EQ(list.seenMemory().messageCount(), 1);
    list.removeRow(2);
    EXPECT_EQ(list.failureRowCount(), 0);
}

TEST_F(MailListTest, TheNewCountIsTheNewRowsThereAre) {
    add(list, withSubject("a"));
    add(list, withSubject("b"));
    add(list, withSubject("c"));
    EXPECT_EQ(list.newMessageCount(), 3);
    list.setIcon(1, MailIcon::Seen);
    EXPECT_EQ(list.newMessageCount(), 2);
    list.removeRow(2);
    EXPECT_EQ(list.newMessageCount(), 1);
    list.makeNoMailRow(2);
    EXPECT_EQ(list.newMessageCount(), 0);
    add(list, withSubject("d"));
    list.removeAll();
    EXPECT_EQ(list.newMessageCount(), 0);
}

TEST(SeenMemory, KeepsWhatItHoldsThroughItsStoredForm) {
    MailList list;
    for (int n = 0; n < 50; ++n) {
        Message m = withSubject(QByteArray::number(n).constData());
        m.user = n % 2 == 0 ? QStringLiteral("alice") : QStringLiteral("bob");
        add(list, m);
    }
    for (int row = 1; row <= 50; row += 3)
        list.setIcon(row, MailIcon::Seen);
    list.foldIntoMemory();
    const QByteArray stored = list.seenMemory().toBytes();
    std::optional<SeenMemory> read = SeenMemory::fromBytes(stored);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->mailboxCount(), 2);
    EXPECT_EQ(read->messageCount(), 50);
    EXPECT_EQ(read->toBytes().size(), stored.size());
    for (const MailItem& item : list.rows())
        EXPECT_EQ(read->lookup(item.mailbox(), item.digest), item.icon) << item.subject().data();
    EXPECT_EQ(read->lookup({QStringLiteral("carol"), QStringLiteral("x"), QStringLiteral("1")},
                           list.at(1).digest),
              MailIcon::New);
}

// A stored form that is damaged in any way reads as nothing seen, never as a crash or half.
TEST(SeenMemory, ADamagedStoredFormReadsAsNothing) {
    MailList list;
    add(list, withSubject("a"));
    list.markAllSeen();
    const QByteArray good = list.seenMemory().toBytes();
    const auto withByte = [&](qsizetype at, char byte) {
        QByteArray bytes = good;
        bytes[at] = byte;
        return bytes;
    };
    QByteArray hugeCount = good;
    // The first mailbox's message count, far beyond what the bytes hold.
    const qsizetype countAt = good.size() - 17 - 4;
    hugeCount.replace(countAt, 4, QByteArray("\xff\xff\xff\x7f", 4));
    const struct {
        const char* name;
        QByteArray bytes;
    } damaged[] = {
        {"empty", QByteArray()},
        {"another file", QByteArray("K1Psecret")},
        {"cut short", good.chopped(1)},
        {"cut in its names", good.first(20)},
        {"a byte too many", good + 'x'},
        {"an icon that is none", withByte(good.size() - 1, 7)},
        {"another version", withByte(8, 2)},
        {"a count beyond its bytes", hugeCount},
        {"larger than the limit", QByteArray(SeenMemory::kLargestFile + 1, '\0')},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.name);
        EXPECT_FALSE(SeenMemory::fromBytes(d.bytes).has_value());
    }
    EXPECT_TRUE(SeenMemory::fromBytes(good).has_value());
}

TEST(SeenMemoryFile, MissingDamagedAndUnreadableFilesMeanNothingSeen) {
    QTemporaryDir folder;
    MailList list;
    add(list, withSubject("a"));
    list.markAllSeen();
    const QString path = folder.filePath(QStringLiteral("mervseen.dat"));
    SeenMemoryFile file(path);
    SeenMemory memory;
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Missing);

    ASSERT_TRUE(file.save(list.seenMemory()));
    struct stat status {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Loaded);
    EXPECT_EQ(memory.lookup(list.at(1).mailbox(), list.at(1).digest), MailIcon::Seen);

    QFile garbage(path);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a memory");
    garbage.close();
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Damaged);
    EXPECT_EQ(memory.messageCount(), 0);

    // Larger than the limit: not even read.
    ASSERT_TRUE(garbage.resize(SeenMemory::kLargestFile + 1));
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Damaged);

    // Not a regular file: a FIFO would block the start for ever.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Unreadable);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("mervseen.dat")));
    EXPECT_EQ(file.load(memory), SeenMemoryFile::LoadResult::Unreadable);
}

Message of(const char* user, const char* subject) {
    Message m = withSubject(subject);
    m.user = QString::fromLatin1(user);
    return m;
}

// The delete run's view of the list: runs of ticked rows of one account, and a message's row
// found by what the message is, the first of identical rows first and never one row twice.
TEST_F(MailListTest, ThePlanGroupsTickedRowsAndFindsEachMessagesRow) {
    list.setDeleteFunctionsEnabled(true);
    add(list, of("alice", "twin"));
    add(list, of("alice", "other"));
    add(list, of("bob", "b"));
    add(list, of("alice", "twin"));
    add(list, of("alice", "twin")); // not ticked
    list.addNoMailRow(QStringLiteral("Carol"), QStringLiteral("carol"));
    for (const int row : {1, 2, 3, 4, 6})
        list.checkItem(row);
    const DeletionPlan plan = DeletionPlan::of(list);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan.blocks()[0].firstRow, 1);
    EXPECT_EQ(plan.blocks()[0].lastRow, 2);
    EXPECT_EQ(plan.blocks()[0].tickedRows, 2);
    EXPECT_EQ(plan.blocks()[1].username, QStringLiteral("bob"));
    EXPECT_EQ(plan.blocks()[2].firstRow, 4);
    EXPECT_EQ(plan.blocks()[2].lastRow,
              4); // the unticked twin and the "(no mail)" row are not in it
    const MessageDigest twin = list.at(1).digest;
    EXPECT_EQ(plan.rowFor(list, 0, twin), 1);
    EXPECT_EQ(plan.rowFor(list, 0, list.at(2).digest), 2);
    EXPECT_EQ(plan.rowFor(list, 0, list.at(3).digest), 0); // bob's message, not this block's
    EXPECT_EQ(plan.rowFor(list, 2, twin), 4);
    list.setMark(4, QLatin1Char('D'));
    EXPECT_EQ(plan.rowFor(list, 2, twin), 0);
}

// The rows a delete run deleted go together, in one change of the model; an account whose
// every row went keeps its first row as a "(no mail)" row.
TEST_F(MailListTest, DeletedRowsGoInOneChange) {
    add(list, of("alice", "a1"));
    add(list, of("alice", "a2"));
    add(list, of("bob", "b1"));
    add(list, of("alice", "a3"));
    add(list, of("carol", "c1"));
    add(list, of("carol", "c2"));
    for (const int row : {1, 2, 4, 5})
        list.setMark(row, QLatin1Char('D'));
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    EXPECT_EQ(list.removeDeletedRows(), 4);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(removals.count(), 0);
    QStringList rows;
    for (const MailItem& item : list.rows())
        rows << item.username() + QLatin1Char(':') + item.subject();
    EXPECT_EQ(rows, (QStringList{"alice:(no mail)", "bob:b1", "alice:(no mail)", "carol:c2"}));
    EXPECT_TRUE(list.at(1).isNoMail());
    EXPECT_EQ(list.newMessageCount(), 2);
    EXPECT_EQ(list.memoryCost(),
              list.at(1).cost() + list.at(2).cost() + list.at(3).cost() + list.at(4).cost());
    // Nothing marked: nothing changes, not even the view's selection.
    EXPECT_EQ(list.removeDeletedRows(), 0);
    EXPECT_EQ(resets.count(), 1);
}

} // namespace
} // namespace mervantic
