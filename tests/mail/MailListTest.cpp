#include "Printers.h"
#include "mail/MailListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

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

} // namespace
} // namespace mervantic
