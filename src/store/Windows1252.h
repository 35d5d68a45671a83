#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace mervantic::Windows1252 {

// The Windows-1252 code page of the data files. The five bytes it leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) read as the control characters of the same number, as Windows reads them.
QString decode(QByteArrayView bytes);
// Characters the code page lacks are written as "?".
QByteArray encode(QStringView text);

} // namespace mervantic::Windows1252
