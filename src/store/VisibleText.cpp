#include "store/VisibleText.h"

namespace mervantic {

namespace {

enum class Shown { AsIs, Blank, CodePoint };

Shown shownAs(char16_t c) {
    if (c == u'\t')
        return Shown::Blank;
    if (c < 0x20 || c == 0x7f)
        return Shown::CodePoint;
    if (c < 0x80)
        return Shown::AsIs;
    if (c <= 0x9f)
        return Shown::CodePoint;
    // Bidi embeddings and overrides (LRE RLE PDF LRO RLO), isolates (LRI RLI FSI PDI), and the
    // separators that break a line inside one field.
    if ((c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029)
        return Shown::CodePoint;
    return Shown::AsIs;
}

void appendShown(QString& out, char16_t c) {
    switch (shownAs(c)) {
    case Shown::AsIs:
        out += QChar(c);
        return;
    case Shown::Blank:
        out += QLatin1Char(' ');
        return;
    case Shown::CodePoint:
        out += QStringLiteral("[U+%1]").arg(unsigned(c), 4, 16, QLatin1Char('0')).toUpper();
        return;
    }
}

qsizetype firstHidden(const QString& text) {
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (shownAs(chars[i]) != Shown::AsIs)
            return i;
    }
    return -1;
}

QString shown(const QString& text, bool keepLines) {
    qsizetype first = firstHidden(text);
    if (first < 0)
        return text;
    QString out;
    out.reserve(text.size() + 16);
    out += QStringView(text).first(first);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (keepLines && (c == u'\n' || c == u'\r')) {
            // CR LF, a lone CR and a lone LF are one line break each.
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += QLatin1Char('\n');
            continue;
        }
        appendShown(out, c);
    }
    return out;
}

} // namespace

bool hasHiddenCharacters(const QString& text) {
    return firstHidden(text) >= 0;
}

QString visibleText(const QString& outside) {
    return shown(outside, false);
}

QString visibleLines(const QString& text) {
    return shown(text, true);
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") +
           visibleLines(text).toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace mervantic
