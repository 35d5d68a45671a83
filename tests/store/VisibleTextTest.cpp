// Outside text made fit to show: what acts is replaced by what can be seen, nothing else moves.
#include "store/VisibleText.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(VisibleText, WhatWouldActIsShownAndEverythingElseStaysAsSent) {
    struct Case {
        const char* name;
        QString outside;
        QString oneLine;
        QString lines;
    } cases[] = {
        {"plain words and markup", QStringLiteral("<b>Hello</b> & <img src=x>"),
         QStringLiteral("<b>Hello</b> & <img src=x>"),
         QStringLiteral("<b>Hello</b> & <img src=x>")},
        {"NUL, BEL, backspace, ESC and DEL", QString::fromLatin1("a\0b\ac\bd\x1b[0me\x7f", 13),
         QStringLiteral("a[U+0000]b[U+0007]c[U+0008]d[U+001B][0me[U+007F]"),
         QStringLiteral("a[U+0000]b[U+0007]c[U+0008]d[U+001B][0me[U+007F]")},
        {"line breaks of every kind", QStringLiteral("one\r\ntwo\rthree\nfour\tfive"),
         QStringLiteral("one[U+000D][U+000A]two[U+000D]three[U+000A]four five"),
         QStringLiteral("one\ntwo\nthree\nfour five")},
        {"C1 controls", QStringLiteral("x\u0085y\u009bz"), QStringLiteral("x[U+0085]y[U+009B]z"),
         QStringLiteral("x[U+0085]y[U+009B]z")},
        {"bidi overrides, embeddings and isolates",
         QStringLiteral("invoice\u202Egnp.exe \u202Aa\u202C \u2066b\u2069"),
         QStringLiteral("invoice[U+202E]gnp.exe [U+202A]a[U+202C] [U+2066]b[U+2069]"),
         QStringLiteral("invoice[U+202E]gnp.exe [U+202A]a[U+202C] [U+2066]b[U+2069]")},
        {"line and paragraph separators", QStringLiteral("a\u2028b\u2029c"),
         QStringLiteral("a[U+2028]b[U+2029]c"), QStringLiteral("a[U+2028]b[U+2029]c")},
        {"letters of other scripts stay", QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u00e9\u20ac"),
         QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u00e9\u20ac"),
         QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u00e9\u20ac")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(visibleText(c.outside), c.oneLine);
        EXPECT_EQ(visibleLines(c.outside), c.lines);
        EXPECT_FALSE(hasHiddenCharacters(c.oneLine));
        EXPECT_EQ(visibleText(c.oneLine), c.oneLine); // once is enough
    }
    // Text with nothing to replace is not copied.
    const QString clean = QString::fromLatin1("nothing to see here");
    EXPECT_EQ(visibleText(clean).constData(), clean.constData());
}

TEST(VisibleText, AToolTipIsRichTextThatShowsTheMarkupAsCharacters) {
    const QString outside = QStringLiteral("-ERR <img src=\"/dev/zero\"> <a href=\"x\">y</a>\nz\a");
    EXPECT_EQ(plainToolTip(outside),
              QStringLiteral("<p style=\"white-space:pre-wrap\">-ERR &lt;img "
                             "src=&quot;/dev/zero&quot;&gt; &lt;a href=&quot;x&quot;&gt;y&lt;/"
                             "a&gt;\nz[U+0007]</p>"));
    EXPECT_EQ(plainToolTip(QString()), QString());
}

} // namespace
} // namespace mervantic
