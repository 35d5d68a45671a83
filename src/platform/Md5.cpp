#include "platform/Md5.h"

#include <QCryptographicHash>

namespace mervantic {

QString md5Hex(QByteArrayView bytes) {
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

} // namespace mervantic
