#include "platform/Md5.h"

#include "pop3/Apop.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(Md5, MatchesTheTestSuiteOfRfc1321) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : suite)
        EXPECT_EQ(md5Hex(QByteArray(text)), QLatin1String(digest)) << text;
}

TEST(Apop, TheSecretIsDigestedInItsWindows1252Bytes) {
    // "é" is one byte (0xE9), not two as in UTF-8; "€" is 0x80, not "?" as in Latin-1.
    const std::pair<const char*, QByteArray> cases[] = {
        {"\u00e9", QByteArray("<t>\xe9")},
        {"p\u20acss", QByteArray("<t>p\x80ss")},
    };
    for (const auto& [secret, bytes] : cases)
        EXPECT_EQ(Apop::digest(QStringLiteral("<t>"), QString::fromUtf8(secret)), md5Hex(bytes))
            << secret;
    EXPECT_NE(Apop::digest(QStringLiteral("<t>"), QString::fromUtf8("p\u20acss")),
              md5Hex(QByteArray("<t>p?ss")));
}

TEST(Apop, TheDigestOfTheRfc1939ExampleIsLowerCase) {
    const QString greeting =
        QStringLiteral("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n");
    const auto timestamp = Apop::timestamp(greeting);
    ASSERT_TRUE(timestamp.has_value());
    EXPECT_EQ(*timestamp, QStringLiteral("<1896.697170952@dbc.mtview.ca.us>"));
    EXPECT_EQ(Apop::digest(*timestamp, QStringLiteral("tanstaaf")),
              QStringLiteral("c4c9334bac560ecc979e58001b3e22fb"));
}

TEST(Apop, TheTimestampRunsFromTheFirstOpeningBracketToTheNextClosingOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"+OK ready <a@b> and <c@d>\r\n", "<a@b>"},
        {"+OK x > y <a@b>\r\n", "<a@b>"},
        {"+OK <<a>>\r\n", "<<a>"},
        {"+OK <unclosed\r\n", nullptr},
        {"+OK no stamp\r\n", nullptr},
        {"+OK > only\r\n", nullptr},
    };
    for (const auto& [greeting, stamp] : cases) {
        const auto timestamp = Apop::timestamp(QString::fromLatin1(greeting));
        if (stamp == nullptr)
            EXPECT_FALSE(timestamp.has_value()) << greeting;
        else
            EXPECT_EQ(timestamp.value_or(QString()), QLatin1String(stamp)) << greeting;
    }
}

} // namespace
} // namespace mervantic
