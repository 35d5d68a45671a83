#include "platform/Md5.h"

#include <QCryptographicHash>

namespace mervantic {

QString md5Hex(const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toLatin1(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

} // namespace mervantic
