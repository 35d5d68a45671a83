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

} // namespace
} // namespace mervantic
