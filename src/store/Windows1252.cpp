#include "store/Windows1252.h"

#include <array>
#include <optional>

namespace mervantic::Windows1252 {

namespace {

// Bytes 0x80 to 0x9F; everything else is the same as Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of a character, or nothing when the code page lacks it.
std::optional<char> byteOf(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == unit)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

char encodeOne(char16_t unit) {
    return byteOf(unit).value_or('?');
}

} // namespace

QString decode(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QChar(value >= 0x80 && value < 0xA0 ? kHigh[value - 0x80] : char16_t{value});
    }
    return text;
}

QString unencodable(QStringView text) {
    QString missing;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character beyond the basic plane is two units, and never in the code page.
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = text.sliced(i, length);
        if ((length == 2 || !byteOf(character.front().unicode())) && !missing.contains(character))
            missing += character;
        i += length - 1;
    }
    return missing;
}

QByteArray encode(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar character : text)
        *out++ = encodeOne(character.unicode());
    return bytes;
}

} // namespace mervantic::Windows1252
