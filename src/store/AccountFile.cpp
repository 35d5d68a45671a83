#include "store/AccountFile.h"

#include "store/AccountKey.h"
#include "store/FileReplacement.h"
#include "store/PasswordScrambler.h"
#include "store/RecordBytes.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <set>

namespace mervantic {

namespace {

constexpr qsizetype kDisplayName = 0;
constexpr qsizetype kUsername = 64;
constexpr qsizetype kPassword = 128;
constexpr qsizetype kServer = 192;
constexpr qsizetype kPort = 448;
constexpr qsizetype kChecked = 452;

} // namespace

qsizetype AccountFile::recordCount(qint64 fileLength) {
    return static_cast<qsizetype>(
        std::nearbyint(static_cast<double>(fileLength) / static_cast<double>(kRecordSize)));
}

QByteArray AccountFile::keptRecord(const AccountRow& row) {
    // The record as read, with only what the user changed since: the name, the tick.
    QByteArray record = row.unreadable;
    const AccountRow read = decodeRecord(record, 0);
    RecordWriter writer(kRecordSize);
    if (read.displayName != row.displayName) {
        writer.text(kDisplayName, 64, row.displayName);
        record.replace(kDisplayName, 64, writer.record().mid(kDisplayName, 64));
    }
    if (read.checked != row.checked) {
        writer.int16(kChecked, row.checked ? 1 : 0);
        record.replace(kChecked, 2, writer.record().mid(kChecked, 2));
    }
    return record;
}

QByteArray AccountFile::encodeRecord(const AccountRow& row) {
    RecordWriter writer(kRecordSize);
    writer.text(kDisplayName, 64, row.displayName);
    writer.text(kUsername, 64, row.username);
    writer.text(
        kPassword, 64,
        PasswordScrambler::scrambleChunk(AccountKey::password(row.key).value_or(QString())));
    writer.text(kServer, 256, row.server);
    writer.int32(kPort, row.port.trimmed().toInt());
    writer.int16(kChecked, row.checked ? 1 : 0);
    return writer.record();
}

AccountRow AccountFile::decodeRecord(QByteArrayView record, int number) {
    const RecordReader reader(record);
    AccountRow row;
    row.displayName = trimField(reader.text(kDisplayName, 64));
    row.username = trimField(reader.text(kUsername, 64));
    row.server = trimField(reader.text(kServer, 256));
    row.port = QString::number(reader.int32(kPort));
    row.checked = reader.int16(kChecked) == 1;
    row.key =
        AccountKey::make(number, PasswordScrambler::unscrambleChunk(reader.text(kPassword, 64)));
    if (!AccountKey::password(row.key)) {
        row.unreadable = record.toByteArray();
        row.unreadable.resize(kRecordSize, '\0');
    }
    return row;
}

AccountFile::LoadResult AccountFile::load(AccountList& list) {
    m_writable = false;
    m_whyNotLoaded.clear();
    m_damage.clear();
    m_damageChangesFile = false;
    QFile file(m_path);
    const QFileInfo info(m_path);
    if (info.isDir()) {
        m_whyNotWritable = QStringLiteral("it is a folder");
        m_whyNotLoaded = QStringLiteral("Is A Folder, Not A File");
        return LoadResult::NotAFile;
    }
    if (!file.exists()) {
        // Opening for random access makes an empty file.
        if (file.open(QIODevice::WriteOnly)) {
            file.close();
            makePrivate(m_path);
        }
        m_writable = true;
        return LoadResult::Loaded;
    }
    // Only a regular file is read: a FIFO would block, a device never end.
    if (!info.isFile()) {
        m_whyNotWritable = QStringLiteral("it is not a regular file");
        m_whyNotLoaded = QStringLiteral("Is Not A Regular File");
        return LoadResult::NotAFile;
    }
    if (info.size() > kMostAccounts * kRecordSize) {
        m_whyNotWritable = QStringLiteral("it is larger than %1 accounts").arg(kMostAccounts);
        m_whyNotLoaded = QStringLiteral("Holds More Than %1 Usernames").arg(kMostAccounts);
        return LoadResult::TooLarge;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_whyNotWritable = QStringLiteral("it could not be read");
        m_whyNotLoaded = QStringLiteral("Cannot Be Read (%1)").arg(file.errorString());
        return LoadResult::Unreadable;
    }
    const QByteArray content = file.read(kMostAccounts * kRecordSize + 1);
    if (file.error() != QFileDevice::NoError || content.size() > kMostAccounts * kRecordSize) {
        m_whyNotWritable = QStringLiteral("it could not be read");
        m_whyNotLoaded = QStringLiteral("Cannot Be Read (%1)").arg(file.errorString());
        return LoadResult::Unreadable;
    }
    m_writable = true;
    const qsizetype records = recordCount(content.size());
    for (qsizetype i = 0; i < records; ++i) {
        // The last record of a file whose length rounds up is read short, padded with zeros.
        const QByteArrayView record = QByteArrayView(content).sliced(
            std::min(i * kRecordSize, content.size()),
            std::max<qsizetype>(0, std::min(kRecordSize, content.size() - i * kRecordSize)));
        AccountRow row = decodeRecord(record, static_cast<int>(i + 1));
        const QString account =
            QStringLiteral("The Record Of Account %1 (%2)")
                .arg(i + 1)
                .arg(row.displayName.isEmpty() ? row.username : row.displayName);
        if (record.size() < kRecordSize) {
            // Cut short (a crash or a full disk in the middle of another program's write):
            // what it holds after the cut is not the account's.
            row.damage = QStringLiteral("its record in the username file is cut short (%1 of "
                                        "%2 bytes)")
                             .arg(record.size())
                             .arg(kRecordSize);
            m_damage = account + QStringLiteral(" Is Cut Short");
            m_damageChangesFile = true;
        } else if (AccountKey::password(row.key) && !portNumber(row.port)) {
            // No program writes such a port: the record was damaged.
            row.damage = QStringLiteral("its record in the username file holds port %1, which "
                                        "is no port number")
                             .arg(row.port);
            m_damage =
                account + QStringLiteral(" Holds Port %1, Which Is No Port Number").arg(row.port);
        }
        list.append(std::move(row));
    }
    return LoadResult::Loaded;
}

QByteArray AccountFile::tail() const {
    const QFileInfo info(m_path);
    if (!info.isFile() || info.size() > kMostAccounts * kRecordSize)
        return {};
    const qint64 records = recordCount(info.size());
    if (records * kRecordSize >= info.size())
        return {};
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(records * kRecordSize))
        return {};
    return file.read(kRecordSize);
}

bool AccountFile::refuseWriting(QString* why) const {
    if (m_writable)
        return false;
    if (why != nullptr)
        *why = QStringLiteral("the file could not be read when the program started (") +
               m_whyNotWritable + QStringLiteral("), so this run leaves it as it is");
    return true;
}

bool AccountFile::save(const AccountList& list, const QString& replacementName, int renamedRow,
                       QString* why) const {
    if (refuseWriting(why))
        return false;
    if (list.isEmpty()) {
        const QFileInfo info(m_path);
        if (info.exists() && info.isFile())
            QFile::remove(m_path);
        return true;
    }
    QByteArray content;
    for (int i = 1; i <= list.count(); ++i) {
        AccountRow row = list.at(i);
        const bool readable = AccountKey::password(row.key).has_value();
        if (!readable && row.unreadable.isEmpty())
            continue; // a gap: nothing to log on with
        if (i == renamedRow)
            row.displayName = replacementName;
        if (content.size() < (i - 1) * kRecordSize)
            content.append(QByteArray((i - 1) * kRecordSize - content.size(), '\0'));
        content.append(readable ? encodeRecord(row) : keptRecord(row));
    }
    // A list of rows that all turned out unwritable never empties the file it came from.
    if (content.isEmpty())
        return true;
    content.append(tail());
    return replaceFile(m_path, content, why);
}

bool AccountFile::append(const AccountRow& row, QString* why) const {
    if (refuseWriting(why))
        return false;
    QByteArray content;
    QFile file(m_path);
    if (file.exists()) {
        if (!QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly)) {
            if (why != nullptr)
                *why = QStringLiteral("the file could not be read");
            return false;
        }
        content = file.read(kMostAccounts * kRecordSize + 1);
        file.close();
    }
    // The new record goes after the last whole one; what followed it (too short to be one)
    // follows the new record.
    const qsizetype records = recordCount(content.size());
    QByteArray tail;
    if (records * kRecordSize < content.size())
        tail = content.sliced(records * kRecordSize);
    content.resize(records * kRecordSize, '\0');
    content.append(encodeRecord(row));
    content.append(tail);
    return replaceFile(m_path, content, why);
}

QString nextAccountNumber(const AccountList& list) {
    std::set<int> used;
    for (const AccountRow& row : list.rows()) {
        if (AccountKey::passwordMarkPosition(row.key) < 3)
            return {};
        used.insert(AccountKey::number(row.key));
    }
    int candidate = 1;
    while (used.count(candidate) != 0)
        ++candidate;
    return QString::number(candidate);
}

} // namespace mervantic
