#include "pop3/HeaderText.h"

#include "platform/CharsetDecoder.h"

#include <QByteArray>

#include <optional>

namespace mervantic {

namespace {

// Encoded words are short by definition (75 characters); a longer one is not taken as one.
constexpr qsizetype kLongestWord = 1024;

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QString rawText(QByteArrayView raw) {
    if (isAscii(raw))
        return QString::fromLatin1(raw);
    if (const std::optional<QString> utf8 = decodeCharset(raw, "UTF-8"))
        return *utf8;
    return QString::fromLatin1(raw);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<QByteArray> decodeQ(QByteArrayView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            bytes.append(' ');
        } else if (c == '=') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes.append(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return bytes;
}

std::optional<QByteArray> decodeB(QByteArrayView text) {
    const QByteArray::FromBase64Result result =
        QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return result.decoded;
}

// The encoded word starting at `from` ("=?"), as text, and where it ends; nothing when the text
// there is not a well-formed word in a known character set.
std::optional<std::pair<QString, qsizetype>> encodedWord(QByteArrayView line, qsizetype from) {
    const qsizetype charsetEnd = line.indexOf('?', from + 2);
    if (charsetEnd < 0 || charsetEnd + 2 >= line.size() || line[charsetEnd + 2] != '?')
        return std::nullopt;
    const char encoding = line[charsetEnd + 1];
    const qsizetype textStart = charsetEnd + 3;
    const qsizetype textEnd = line.indexOf("?=", textStart);
    if (textEnd < 0 || textEnd - from > kLongestWord)
        return std::nullopt;
    QByteArray charset = line.sliced(from + 2, charsetEnd - from - 2).toByteArray();
    if (const qsizetype language = charset.indexOf('*'); language >= 0)
        charset.truncate(language); // RFC 2231 language suffix
    const QByteArrayView text = line.sliced(textStart, textEnd - textStart);
    if (text.contains(' ') || text.contains('\t'))
        return std::nullopt;
    std::optional<QByteArray> bytes;
    if (encoding == 'B' || encoding == 'b')
        bytes = decodeB(text);
    else if (encoding == 'Q' || encoding == 'q')
        bytes = decodeQ(text);
    if (!bytes)
        return std::nullopt;
    const std::optional<QString> decoded = decodeCharset(*bytes, charset);
    if (!decoded)
        return std::nullopt;
    return std::pair{*decoded, textEnd + 2};
}

} // namespace

QString decodeHeaderText(QByteArrayView raw) {
    if (!raw.contains("=?"))
        return rawText(raw);
    QString result;
    qsizetype plainStart = 0;
    qsizetype at = 0;
    bool lastWasEncoded = false;
    while ((at = raw.indexOf("=?", at)) >= 0) {
        const auto word = encodedWord(raw, at);
        if (!word) {
            at += 2;
            continue;
        }
        const QByteArrayView between = raw.sliced(plainStart, at - plainStart);
        // White space alone between two encoded words is not part of the text.
        const bool onlySpace = between.trimmed().isEmpty();
        if (!(lastWasEncoded && onlySpace))
            result += rawText(between);
        result += word->first;
        at = plainStart = word->second;
        lastWasEncoded = true;
    }
    result += rawText(raw.sliced(plainStart));
    return result;
}

} // namespace mervantic
