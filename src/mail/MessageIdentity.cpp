#include "mail/MessageIdentity.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace mervantic {

MessageDigest MessageDigest::of(QStringView from, QStringView subject, QStringView date,
                                QStringView messageId) {
    QCryptographicHash hash(QCryptographicHash::Blake2s_128);
    for (const QStringView field : {from, subject, date, messageId}) {
        // Each field with its length, so that fields which run together alike still differ.
        const quint32 length = qToLittleEndian(static_cast<quint32>(field.size()));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&length), sizeof length));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(field.utf16()),
                                    field.size() * qsizetype{sizeof(char16_t)}));
    }
    MessageDigest digest;
    const QByteArrayView result = hash.resultView();
    std::memcpy(digest.bytes.data(), result.data(), digest.bytes.size());
    return digest;
}

} // namespace mervantic
