#include "pop3/HeaderText.h"

#include "Printers.h"
#include "pop3/HeaderExtraction.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(HeaderText, EncodedWordsAndRawBytesReadAsText) {
    const struct {
        const char* name;
        QByteArray raw;
        QString shown;
    } cases[] = {
        {"plain ASCII", "Meeting at noon", QStringLiteral("Meeting at noon")},
        {"UTF-8, B", "=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", QStringLiteral("Grüße aus Köln")},
        {"UTF-8, Q", "=?utf-8?q?Gr=C3=BC=C3=9Fe_aus_K=C3=B6ln?=", QStringLiteral("Grüße aus Köln")},
        {"ISO-8859-1, Q, inside plain text", "Re: =?ISO-8859-1?Q?Caf=E9?= tonight",
         QStringLiteral("Re: Café tonight")},
        {"Windows-1252, its euro sign",
         "=?windows-1252?Q?Price_=80_5?=", QStringLiteral("Price € 5")},
        {"ISO-2022-JP", "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", QStringLiteral("日本語")},
        {"adjacent words joined across the white space between them",
         "=?UTF-8?Q?Hello,_?= \t =?UTF-8?Q?world?=", QStringLiteral("Hello, world")},
        {"white space before plain text kept", "=?UTF-8?Q?a?= b", QStringLiteral("a b")},
        {"an RFC 2231 language suffix", "=?UTF-8*de?Q?Stra=C3=9Fe?=", QStringLiteral("Straße")},
        {"a word whose encoding is unknown", "=?UTF-8?X?abc?=", QStringLiteral("=?UTF-8?X?abc?=")},
        {"a word whose Q text is cut short",
         "=?UTF-8?Q?abc=E?=", QStringLiteral("=?UTF-8?Q?abc=E?=")},
        {"a word that never closes", "=?UTF-8?B?SGVsbG8", QStringLiteral("=?UTF-8?B?SGVsbG8")},
        {"a word with bad base64", "=?UTF-8?B?@@@@?=", QStringLiteral("=?UTF-8?B?@@@@?=")},
        {"an unknown charset",
         "=?x-no-such-charset?Q?abc?=", QStringLiteral("=?x-no-such-charset?Q?abc?=")},
        {"a malformed word beside a good one",
         "=?UTF-8?Q?bad =?UTF-8?Q?good?=", QStringLiteral("=?UTF-8?Q?bad good")},
        {"raw UTF-8 bytes",
         "Gr\xc3\xbc\xc3\x9f"
         "e",
         QStringLiteral("Grüße")},
        {"raw Latin-1 bytes", "Caf\xe9 cr\xe8me", QStringLiteral("Café crème")},
        {"an empty text", "", QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeHeaderText(c.raw), c.shown) << c.name;
}

TEST(HeaderText, ExtractionDecodesFromAndSubjectOnly) {
    const auto headers = extractHeaders("From: =?UTF-8?Q?J=C3=B6rg?= <joerg@example.org>\r\n"
                                        "Subject: =?ISO-8859-1?Q?=C0_bient=F4t?=\r\n"
                                        "Date: =?UTF-8?Q?not_a_date?=\r\n"
                                        "Message-ID: <=?x?y?z?=@example.org>\r\n\r\n");
    ASSERT_TRUE(headers.has_value());
    EXPECT_EQ(headers->from, QStringLiteral("Jörg <joerg@example.org>"));
    EXPECT_EQ(headers->subject, QStringLiteral("À bientôt"));
    EXPECT_EQ(headers->date, QStringLiteral("=?UTF-8?Q?not_a_date?="));
    EXPECT_EQ(headers->messageId, QStringLiteral("<=?x?y?z?=@example.org>"));
}

} // namespace
} // namespace mervantic
