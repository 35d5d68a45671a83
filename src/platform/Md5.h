#pragma once

#include <QByteArrayView>
#include <QString>

namespace mervantic {

// MD5 (RFC 1321) of the bytes, as 32 lower-case hex digits.
QString md5Hex(QByteArrayView bytes);

} // namespace mervantic
