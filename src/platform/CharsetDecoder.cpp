#include "platform/CharsetDecoder.h"

#include <QByteArray>

#include <cerrno>
#include <iconv.h>
#include <utility>
#include <vector>

namespace mervantic {

namespace {

// Converters stay open once made: opening one loads the charset's module afresh, and closing the
// last one unloads it again, while a check meets the same few charsets thousands of times. A
// server names charsets at will, so only a few are kept; the rest are opened for the one use.
class OpenConverters {
public:
    static constexpr std::size_t kMostKept = 16;

    OpenConverters() = default;
    OpenConverters(const OpenConverters&) = delete;
    OpenConverters& operator=(const OpenConverters&) = delete;
    ~OpenConverters() {
        for (const Kept& kept : m_kept)
            iconv_close(kept.converter);
    }

    // A converter from `name` to UTF-8 in its initial state, and whether the caller closes it.
    std::pair<iconv_t, bool> open(const QByteArray& name) {
        for (const Kept& kept : m_kept) {
            if (kept.name == name) {
                iconv(kept.converter, nullptr, nullptr, nullptr, nullptr);
                return {kept.converter, false};
            }
        }
        const iconv_t converter = iconv_open("UTF-8", name.constData());
        if (converter == reinterpret_cast<iconv_t>(-1) || m_kept.size() >= kMostKept)
            return {converter, true};
        m_kept.push_back({name, converter});
        return {converter, false};
    }

private:
    struct Kept {
        QByteArray name;
        iconv_t converter;
    };
    std::vector<Kept> m_kept;
};

} // namespace

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
    // Every byte is a character of Latin-1, and each is the code point of its value.
    if (name == "ISO-8859-1" || name == "LATIN1" || name == "ISO_8859-1")
        return QString::fromLatin1(bytes);
    thread_local OpenConverters converters;
    const auto [converter, closeAfterUse] = converters.open(name);
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
    if (closeAfterUse)
        iconv_close(converter);
    if (!ok || inLeft != 0)
        return std::nullopt;
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
}

} // namespace mervantic
