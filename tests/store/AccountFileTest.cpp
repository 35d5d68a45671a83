#include "store/AccountFile.h"

#include "Printers.h"
#include "store/AccountKey.h"
#include "store/AccountListModel.h"
#include "store/PasswordScrambler.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

// A record written out field by field, as a person would lay it out by hand.
QByteArray handRecord(const QByteArray& displayName, const QByteArray& username,
                      const QByteArray& scrambledPassword, const QByteArray& server,
                      const QByteArray& portLittleEndian, const QByteArray& checkedLittleEndian) {
    const auto field = [](QByteArray text, int width) {
        return text.leftJustified(width, ' ', true);
    };
    return field(displayName, 64) + field(username, 64) + field(scrambledPassword, 64) +
           field(server, 256) + portLittleEndian + checkedLittleEndian;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

AccountRow row(const QString& name, const QString& user, const QString& server, int port,
               int number, const QString& password, bool checked = false) {
    return {name, user, server, QString::number(port), AccountKey::make(number, password), checked};
}

TEST(AccountFile, ARecordPreparedByHandLoadsIntoItsFields) {
    const QByteArray password =
        PasswordScrambler::scrambleChunk(QStringLiteral("s3cret pw")).toLatin1();
    const QByteArray record =
        handRecord("  Home \x80 account", "alice", password, "pop.example.org",
                   QByteArray::fromHex("6e000000"), // port 110
                   QByteArray::fromHex("0100"));    // checked
    ASSERT_EQ(record.size(), 454);
    const AccountRow loaded = AccountFile::decodeRecord(record, 7);
    EXPECT_EQ(loaded.displayName, QStringLiteral("Home \u20AC account")); // Windows-1252 0x80
    EXPECT_EQ(loaded.username, QStringLiteral("alice"));
    EXPECT_EQ(loaded.server, QStringLiteral("pop.example.org"));
    EXPECT_EQ(loaded.port, QStringLiteral("110"));
    EXPECT_TRUE(loaded.checked);
    EXPECT_EQ(loaded.key, QStringLiteral("K7Ps3cret pw"));
}

TEST(AccountFile, ARecordIsWrittenByteForByte) {
    const QByteArray bytes = AccountFile::encodeRecord(
        row(QStringLiteral("Caf\u00e9 \u20AC"), QStringLiteral("bob"),
            QStringLiteral("mail.example"), -12, 3, QStringLiteral("pw"), true));
    ASSERT_EQ(bytes.size(), 454);
    EXPECT_EQ(bytes.mid(0, 64), QByteArray("Caf\xe9 \x80").leftJustified(64, ' '));
    EXPECT_EQ(bytes.mid(64, 64), QByteArray("bob").leftJustified(64, ' '));
    EXPECT_EQ(PasswordScrambler::unscrambleChunk(QString::fromLatin1(bytes.mid(128, 64))),
              QStringLiteral("pw"));
    EXPECT_EQ(bytes.mid(192, 256), QByteArray("mail.example").leftJustified(256, ' '));
    EXPECT_EQ(bytes.mid(448, 4).toHex(), QByteArray("f4ffffff")); // -12
    EXPECT_EQ(bytes.mid(452, 2).toHex(), QByteArray("0100"));
    // Long texts are cut at their field's width.
    const QByteArray cut = AccountFile::encodeRecord(
        row(QString(70, u'n'), QString(65, u'u'), QString(300, u's'), 110, 1, QStringLiteral("p")));
    EXPECT_EQ(cut.mid(0, 64), QByteArray(64, 'n'));
    EXPECT_EQ(cut.mid(64, 64), QByteArray(64, 'u'));
    EXPECT_EQ(cut.mid(192, 256), QByteArray(256, 's'));
}

struct FileCase {
    const char* name;
    std::function<QByteArray()> file; // the file as found
    std::vector<AccountRow> expected; // the list it loads
};

TEST(AccountFile, FilesOfEveryShapeLoadWithoutFailing) {
    const auto record = [](const char* name, const char* password, const QByteArray& checked) {
        return handRecord(
            name, name, PasswordScrambler::scrambleChunk(QString::fromLatin1(password)).toLatin1(),
            "pop", QByteArray::fromHex("6e000000"), checked);
    };
    const QByteArray checked = QByteArray::fromHex("0100");
    const QByteArray unchecked = QByteArray::fromHex("0000");
    const std::vector<FileCase> cases = {
        {"three records",
         [&] {
             return record("a", "1", checked) + record("b", "2", unchecked) +
                    record("c", "3", checked);
         },
         {row("a", "a", "pop", 110, 1, "1", true), row("b", "b", "pop", 110, 2, "2"),
          row("c", "c", "pop", 110, 3, "3", true)}},
        {"checked 2 reads unchecked",
         [&] { return record("a", "1", QByteArray::fromHex("0200")); },
         {row("a", "a", "pop", 110, 1, "1")}},
        {"a gap of zero bytes",
         [&] {
             return record("a", "1", unchecked) + QByteArray(454, '\0') +
                    record("c", "3", unchecked);
         },
         {row("a", "a", "pop", 110, 1, "1"), row("", "", "", 0, 2, ""),
          row("c", "c", "pop", 110, 3, "3")}},
        {"shorter than half a record", [] { return QByteArray(200, 'x'); }, {}},
        {"one and a half records round to two",
         [&] { return record("a", "1", unchecked) + record("b", "2", unchecked).left(227); },
         {row("a", "a", "pop", 110, 1, "1"),
          row("b", "b", "pop", 0, 2, "2")}}, // no port, not checked
        {"bytes outside the printable range",
         [&] {
             return handRecord("\x81\x8d\x01\xff", "u", QByteArray(64, '\x90'), "s",
                               QByteArray::fromHex("6e000000"), unchecked);
         },
         {row(QStringLiteral("\u0081\u008d\u0001\u00ff"), "u", "s", 110, 1, "")}},
        {"empty file", [] { return QByteArray(); }, {}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mervuser.ini"));
        writeFile(path, c.file());
        AccountList list;
        AccountFile(path).load(list);
        ASSERT_EQ(list.count(), static_cast<int>(c.expected.size()));
        for (int i = 1; i <= list.count(); ++i) {
            const AccountRow& got = list.at(i);
            const AccountRow& want = c.expected[static_cast<std::size_t>(i - 1)];
            EXPECT_EQ(got.displayName, want.displayName) << i;
            EXPECT_EQ(got.username, want.username) << i;
            EXPECT_EQ(got.server, want.server) << i;
            EXPECT_EQ(got.port, want.port) << i;
            EXPECT_EQ(got.key, want.key) << i;
            EXPECT_EQ(got.checked, want.checked) << i;
        }
    }
}

TEST(AccountFile, AMissingFileIsCreatedEmpty) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mervuser.ini"));
    AccountList list;
    AccountFile(path).load(list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(readFile(path), QByteArray());
}

struct SaveCase {
    const char* name;
    std::vector<AccountRow> rows;
    QString replacementName;
    int renamedRow;
    // Each record's display name, or nullptr for a gap; an empty list means no file.
    std::vector<const char*> records;
    std::vector<bool> checked;
};

TEST(AccountFile, SavingWritesTheListInOrderWithItsGapsAndRenames) {
    const std::vector<SaveCase> cases = {
        {"three rows, keys keep their numbers",
         {row("c", "u3", "s", 110, 3, "p3", true), row("a", "u1", "s", 110, 1, "p1"),
          row("b", "u2", "s", 110, 2, "p2")},
         {},
         0,
         {"c", "a", "b"},
         {true, false, false}},
        {"a row without password text leaves a gap",
         {row("a", "u1", "s", 110, 1, "p1"),
          {"gap", "u2", "s", "110", "K2P", false},
          row("c", "u3", "s", 110, 3, "p3")},
         {},
         0,
         {"a", nullptr, "c"},
         {false, false, false}},
        {"a gap at the end leaves no record",
         {row("a", "u1", "s", 110, 1, "p1"), {"gap", "u2", "s", "110", "K2P", false}},
         {},
         0,
         {"a"},
         {false}},
        {"the renamed row takes the new name",
         {row("a", "u1", "s", 110, 1, "p1"), row("b", "u2", "s", 110, 2, "p2")},
         QStringLiteral("renamed"),
         2,
         {"a", "renamed"},
         {false, false}},
        {"a 70-character display name is cut to 64",
         {row(QString(70, u'x'), "u", "s", 110, 1, "p")},
         {},
         0,
         {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
         {false}},
        {"the last account deleted removes the file", {}, {}, 0, {}, {}},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mervuser.ini"));
        writeFile(path, QByteArray(454 * 5, 'o')); // the file before the save
        AccountList list;
        for (const AccountRow& r : c.rows)
            list.append(r);
        ASSERT_TRUE(AccountFile(path).save(list, c.replacementName, c.renamedRow));
        if (c.records.empty()) {
            EXPECT_FALSE(QFile::exists(path));
            continue;
        }
        const QByteArray bytes = readFile(path);
        ASSERT_EQ(bytes.size(), static_cast<qsizetype>(c.records.size()) * 454);
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            const QByteArray record = bytes.mid(static_cast<qsizetype>(i) * 454, 454);
            if (c.records[i] == nullptr) {
                EXPECT_EQ(record, QByteArray(454, '\0')) << i;
                continue;
            }
            EXPECT_EQ(record.left(64), QByteArray(c.records[i]).leftJustified(64, ' ')) << i;
            EXPECT_EQ(record.mid(452, 2), QByteArray::fromHex(c.checked[i] ? "0100" : "0000")) << i;
            // A fresh load numbers the rows by record and finds each password again.
            EXPECT_EQ(PasswordScrambler::unscrambleChunk(QString::fromLatin1(record.mid(128, 64))),
                      AccountKey::password(c.rows[i].key).value_or(QString()));
        }
    }
}

TEST(AccountFile, ASaveReplacesTheFileWholeOrNotAtAll) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mervuser.ini"));
    AccountList before;
    before.append(row("old", "u", "s", 110, 1, "p"));
    ASSERT_TRUE(AccountFile(path).save(before));
    const QByteArray old = readFile(path);

    // A reader of the old file keeps seeing it whole: the new file replaces it, it is not
    // truncated and rewritten in place.
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    AccountList after;
    after.append(row("new", "u", "s", 110, 1, "p"));
    after.append(row("more", "u2", "s", 110, 2, "p"));
    ASSERT_TRUE(AccountFile(path).save(after));
    EXPECT_EQ(reader.readAll(), old);
    EXPECT_EQ(readFile(path).size(), 2 * 454);

    // A save that cannot be made reports it.
    const QString blocked = dir.filePath(QStringLiteral("not-a-folder"));
    writeFile(blocked, "x");
    EXPECT_FALSE(AccountFile(blocked + QStringLiteral("/mervuser.ini")).save(after));
}

TEST(AccountFile, AppendingAddsOneRecordAfterTheRoundedCount) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mervuser.ini"));
    writeFile(path, QByteArray(454 + 300, 'z')); // 1.66 records: rounds to 2
    ASSERT_TRUE(AccountFile(path).append(row("added", "u", "s", 110, 9, "p")));
    const QByteArray bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 3 * 454);
    EXPECT_EQ(bytes.mid(454, 300), QByteArray(300, 'z'));
    EXPECT_EQ(bytes.mid(754, 154), QByteArray(154, '\0'));
    EXPECT_EQ(bytes.mid(908, 5), QByteArray("added"));
}

TEST(AccountFile, RecordCountsRoundHalvesToEven) {
    EXPECT_EQ(AccountFile::recordCount(0), 0);
    EXPECT_EQ(AccountFile::recordCount(226), 0);
    EXPECT_EQ(AccountFile::recordCount(227), 0); // 0.5
    EXPECT_EQ(AccountFile::recordCount(228), 1);
    EXPECT_EQ(AccountFile::recordCount(454 + 227), 2);     // 1.5
    EXPECT_EQ(AccountFile::recordCount(2 * 454 + 227), 2); // 2.5
    EXPECT_EQ(AccountFile::recordCount(3 * 454), 3);
}

TEST(AccountFile, TheNextNumberIsTheSmallestFreeOne) {
    AccountList list;
    EXPECT_EQ(nextAccountNumber(list), QStringLiteral("1"));
    list.append(row("a", "u", "s", 110, 1, "p"));
    list.append(row("c", "u", "s", 110, 3, "p"));
    EXPECT_EQ(nextAccountNumber(list), QStringLiteral("2"));
    list.append(row("b", "u", "s", 110, 2, "p"));
    EXPECT_EQ(nextAccountNumber(list), QStringLiteral("4"));
    list.append({"bad", "u", "s", "110", "KPx", false});
    EXPECT_EQ(nextAccountNumber(list), QString());
}

TEST(AccountListModel, ShowsTheAccountsAndFollowsEveryChange) {
    AccountList list;
    AccountListModel model(list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{" Display Name", "Username", "Server Name", "Port No."}));

    model.appendAccount(row("A", "ua", "sa", 110, 1, "pa", true));
    model.appendAccount(row("B", "ub", "sb", 995, 2, "pb"));
    model.appendAccount(row("C", "uc", "sc", 110, 3, "pc"));
    EXPECT_EQ(model.data(model.index(1, 3)).toString(), QStringLiteral("995"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Checked);
    EXPECT_EQ(model.data(model.index(2, 0), AccountListModel::KeyRole).toString(),
              QStringLiteral("K3Ppc"));

    model.moveAccount(1, 3); // the checked row to the bottom, key and tick with it
    EXPECT_EQ(list.at(3).key, QStringLiteral("K1Ppa"));
    EXPECT_TRUE(list.isItemChecked(3));
    model.moveAccount(3, 1);
    EXPECT_EQ(list.at(1).displayName, QStringLiteral("A"));
    model.moveAccount(2, 3);
    EXPECT_EQ(list.at(3).displayName, QStringLiteral("B"));

    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(list.isItemChecked(2));
    QString editedName;
    int editedRow = 0;
    bool accept = true;
    QString nameBefore;
    model.setRenameHandler([&](int r, const QString& name) {
        editedRow = r;
        editedName = name;
        nameBefore = list.at(r).displayName; // still the old one
        return accept;
    });
    EXPECT_TRUE(model.setData(model.index(1, 0), QStringLiteral("Renamed"), Qt::EditRole));
    EXPECT_EQ(editedRow, 2);
    EXPECT_EQ(editedName, QStringLiteral("Renamed"));
    EXPECT_EQ(nameBefore, QStringLiteral("C"));
    EXPECT_EQ(list.at(2).displayName, QStringLiteral("Renamed"));
    accept = false;
    EXPECT_FALSE(model.setData(model.index(1, 0), QStringLiteral("Refused"), Qt::EditRole));
    EXPECT_EQ(list.at(2).displayName, QStringLiteral("Renamed"));
    model.removeAccount(1);
    EXPECT_EQ(model.rowCount(), 2);
}

} // namespace
} // namespace mervantic
