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

// The decoders of charsets are kept open between headers: each word starts from the charset's
// initial state whatever the one before left, and a server that names more charsets than are
// kept still has each of them read.
TEST(HeaderText, KeptDecodersStartEveryWordAfresh) {
    // Switched to JIS X 0208 and cut in the middle of a character: the word is shown as sent,
    // and the next word must not begin in JIS X 0208.
    EXPECT_EQ(decodeHeaderText("=?ISO-2022-JP?B?GyRCRg==?="),
              QStringLiteral("=?ISO-2022-JP?B?GyRCRg==?="));
    EXPECT_EQ(decodeHeaderText("=?ISO-2022-JP?B?Rnw=?="), QStringLiteral("F|"));
    const char* const charsets[] = {"ISO-8859-2",   "ISO-8859-5",   "ISO-8859-7",   "ISO-8859-9",
                                    "ISO-8859-15",  "KOI8-R",       "KOI8-U",       "WINDOWS-1250",
                                    "WINDOWS-1251", "WINDOWS-1253", "WINDOWS-1254", "WINDOWS-1256",
                                    "CP866",        "CP850",        "BIG5",         "GB2312",
                                    "GBK",          "EUC-JP",       "SHIFT_JIS",    "EUC-KR"};
    for (int round = 0; round < 2; ++round) {
        for (const char* charset : charsets)
            EXPECT_EQ(decodeHeaderText(QByteArray("=?") + charset + "?Q?plain_text?="),
                      QStringLiteral("plain text"))
                << charset;
        EXPECT_EQ(decodeHeaderText("=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="), QStringLiteral("日本語"));
    }
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
