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

    enum class LoadResult { Loaded, NotAFile, Unreadable };
    // Fills the list from the file. A missing file is created empty.
    LoadResult load(AccountList& list) const;
    // Rewrites the whole file from the list, atomically: a failed save leaves the previous file
    // whole. The row numbered `renamedRow` (from 1) is written with `replacementName` as its
    // display name. A row whose record could not be read is written back as it was; a row whose
    // key carries no password and that came from no record leaves a gap. An empty list deletes
    // the file. False when the file could not be written.
    bool save(const AccountList& list, const QString& replacementName = {},
              int renamedRow = 0) const;
    // Adds one record after the last one in the file. False when it could not be written.
    bool append(const AccountRow& row) const;

private:
    QString m_path;
};

// The smallest positive number that no row's key carries, as text; "" when a row's key has
// its "P" before the third character.
QString nextAccountNumber(const AccountList& list);

} // namespace mervantic
