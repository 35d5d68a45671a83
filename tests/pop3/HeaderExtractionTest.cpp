#include "pop3/HeaderExtraction.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

struct HeaderCase {
    const char* name;
    const char* message;
    std::optional<MessageHeaders> expected;
};

TEST(HeaderExtraction, PicksTheFourFieldsFromTheHeaderBlock) {
    const HeaderCase cases[] = {
        {"plain",
         "From: Ann <ann@example.org>\r\nSubject: Hello\r\nDate: Mon, 4 Jan 2003 09:15:00 -0500\r\n"
         "Message-ID: <1@example.org>\r\n\r\nbody\r\n",
         MessageHeaders{"Ann <ann@example.org>", "Hello", "Mon, 4 Jan 2003 09:15:00 -0500",
                        "<1@example.org>"}},
        {"names in any letter case", "FROM: a\r\nsubject: b\r\nDATE: c\r\nmessage-ID: d\r\n\r\n",
         MessageHeaders{"a", "b", "c", "d"}},
        {"a blank before the colon does not match", "From : a\r\nSubject: b\r\n\r\n",
         MessageHeaders{"", "b", "", ""}},
        {"a folded subject keeps its first line",
         "Subject: first part\r\n second part\r\n\tthird: part\r\n\r\n",
         MessageHeaders{"", "first part", "", ""}},
        {"the last of two fields wins", "Date: one\r\nDate: two\r\n\r\n",
         MessageHeaders{"", "", "two", ""}},
        {"only blanks are trimmed", "Subject:   \ttabbed\t  \r\n\r\n",
         MessageHeaders{"", "\ttabbed\t", "", ""}},
        {"empty values and lines without a colon", "From:\r\nnonsense\r\n\r\n",
         MessageHeaders{"", "", "", ""}},
        {"only the header block counts", "Subject: s\r\n\r\nFrom: in the body\r\n",
         MessageHeaders{"", "s", "", ""}},
        {"colon inside the value", "Subject: re: re: x\r\n\r\n",
         MessageHeaders{"", "re: re: x", "", ""}},
        {"a lone CR is part of its line and swallows nothing", "From: a\rb\r\nSubject: s\r\n\r\n",
         MessageHeaders{"a\rb", "s", "", ""}},
        {"a lone CR before the line's end", "From: a\r\r\nSubject: s\r\n\r\n",
         MessageHeaders{"a\r", "s", "", ""}},
        {"lines ended by a lone LF", "From: a\nSubject: s\nDate: d\n\nbody\n",
         MessageHeaders{"a", "s", "d", ""}},
        {"an empty line ended by a lone LF", "Subject: s\r\n\nFrom: body\r\n",
         MessageHeaders{"", "s", "", ""}},
        {"no empty line after the headers", "From: a\r\nSubject: b\r\n", std::nullopt},
        {"a TOP reply without body", "Subject: b\r\n", std::nullopt},
        {"empty message", "", std::nullopt},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto headers = extractHeaders(QByteArrayView(c.message));
        ASSERT_EQ(headers.has_value(), c.expected.has_value());
        if (!headers)
            continue;
        EXPECT_EQ(headers->from, c.expected->from);
        EXPECT_EQ(headers->subject, c.expected->subject);
        EXPECT_EQ(headers->date, c.expected->date);
        EXPECT_EQ(headers->messageId, c.expected->messageId);
    }
}

TEST(HeaderExtraction, FieldsAreCutAtTheLongestHeaderLine) {
    const QByteArray longSubject(5000, 's');
    const auto headers = extractHeaders("Subject: " + longSubject +
                                        "\r\nFrom:  " + QByteArray(998, 'f') + "  \r\n\r\n");
    ASSERT_TRUE(headers.has_value());
    EXPECT_EQ(headers->subject, QString(998, u's'));
    EXPECT_EQ(headers->from, QString(998, u'f'));
}

// A message cut at the most that is kept of one, before its header block ended, is read as far
// as it goes; one that simply has no empty line is not.
TEST(HeaderExtraction, AHeaderBlockCutShortIsReadAsFarAsItGoes) {
    const QByteArray cutShort = "Subject: big\r\nFrom: a\r\nX-Pad: " + QByteArray(5000, 'p');
    const auto headers = extractHeaders(cutShort, true);
    ASSERT_TRUE(headers.has_value());
    EXPECT_EQ(headers->subject, QStringLiteral("big"));
    EXPECT_EQ(headers->from, QStringLiteral("a"));
    EXPECT_FALSE(headers->wholeBlock);
    EXPECT_FALSE(extractHeaders(cutShort).has_value());
    const auto whole = extractHeaders("Subject: s\r\n\r\nbody", true);
    ASSERT_TRUE(whole.has_value());
    EXPECT_TRUE(whole->wholeBlock);
}

} // namespace
} // namespace mervantic
