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
// The characters of `text` the code page lacks, each once, in the order they first appear.
QString unencodable(QStringView text);

} // namespace mervantic::Windows1252
