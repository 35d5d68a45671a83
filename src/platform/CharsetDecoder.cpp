#include "platform/CharsetDecoder.h"

#include <QByteArray>

#include <cerrno>
#include <iconv.h>

namespace mervantic {

std::optional<QString> decodeCharset(QByteArrayView bytes, const QByteArray& charset) {
    const QByteArray name = charset.trimmed().toUpper();
    if (name.isEmpty())
        return std::nullopt;
    if (name == "UTF-8" || name == "UTF8") {
        QString text = QString::fromUtf8(bytes);
        if (text.contains(QChar::ReplacementCharacter) && !bytes.contains("\xEF\xBF\xBD"))
            return std::nullopt;
        return text;
    }
    iconv_t converter = iconv_open("UTF-8", name.constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    // UTF-8 takes at most four bytes a character; escape sequences take none.
    QByteArray out(bytes.size() * 4 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* outAt = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    bool ok = iconv(converter, &in, &inLeft, &outAt, &outLeft) != static_cast<size_t>(-1);
    // Return a stateful encoding to its initial state (ISO-2022-JP ends in ASCII).
    ok = ok && iconv(converter, nullptr, nullptr, &outAt, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    if (!ok || inLeft != 0)
        return std::nullopt;
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
}

} // namespace mervantic
