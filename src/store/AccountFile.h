#pragma once

#include "store/AccountList.h"

#include <QByteArray>
#include <QString>

namespace mervantic {

// The account file (mervuser.ini): one 454-byte record per account, in list order.
//
//   offset size
//        0   64  display name   Windows-1252, padded with blanks
//       64   64  user name
//      128   64  password       scrambled (64 printable characters)
//      192  256  server name
//      448    4  port           little-endian signed
//      452    2  checked        1 checked, anything else not
class AccountFile {
public:
    static constexpr qsizetype kRecordSize = 454;
    // No one keeps more accounts than this; a larger file is not what the program writes, and
    // is left alone rather than read into memory.
    static constexpr qsizetype kMostAccounts = 10000;

    explicit AccountFile(QString path)
        : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    // The number of records a file of this length holds: the length over 454, halves to even.
    static qsizetype recordCount(qint64 fileLength);
    static QByteArray encodeRecord(const AccountRow& row);
    // The row record `number` (from 1) makes; its key carries that number.
    static AccountRow decodeRecord(QByteArrayView record, int number);
    // A record the program could not read, as it was, with the display name and the tick as the
    // row has them now.
    static QByteArray keptRecord(const AccountRow& row);

    enum class LoadResult { Loaded, NotAFile, Unreadable, TooLarge };
    // Fills the list from the file. A missing file is created empty. A file that could not be
    // read (a folder, no permission, too large) is not written by this run: the list the user
    // sees must stay what the file holds.
    LoadResult load(AccountList& list);
    // Whether this run may write the file, and why not.
    bool writable() const { return m_writable; }
    const QString& whyNotWritable() const { return m_whyNotWritable; }
    // Why the last load read nothing, as the file's message says it after the file's name:
    // "Is A Folder, Not A File", "Cannot Be Read (Permission denied)"...
    const QString& whyNotLoaded() const { return m_whyNotLoaded; }
    // What the last load found damaged in a file it read ("the record of account 2 is cut
    // short"); empty when nothing. The rows it concerns carry their damage.
    const QString& damage() const { return m_damage; }
    // Whether the next save would change the damaged bytes (a record cut short is written
    // whole): the file is then to be kept aside first.
    bool damageChangesFile() const { return m_damageChangesFile; }

    // Rewrites the whole file from the list, atomically: a failed save leaves the previous file
    // whole. The row numbered `renamedRow` (from 1) is written with `replacementName` as its
    // display name. A row whose record could not be read is written back as it was; a row whose
    // key carries no password and that came from no record leaves a gap; bytes after the last
    // record that the file holds (too few to be one) follow the records as they were. An
    // empty list deletes the file. False when the file could not be written, with why.
    bool save(const AccountList& list, const QString& replacementName = {}, int renamedRow = 0,
              QString* why = nullptr) const;
    // Adds one record after the last one in the file. False when it could not be written.
    bool append(const AccountRow& row, QString* why = nullptr) const;

private:
    bool refuseWriting(QString* why) const;
    // What the file now holds after its last record, too short to be read as one: it is kept
    // after the records, as it was.
    QByteArray tail() const;

    QString m_path;
    bool m_writable = true;
    QString m_whyNotWritable;
    QString m_whyNotLoaded;
    QString m_damage;
    bool m_damageChangesFile = false;
};

// The smallest positive number that no row's key carries, as text; "" when a row's key has
// its "P" before the third character.
QString nextAccountNumber(const AccountList& list);

} // namespace mervantic
