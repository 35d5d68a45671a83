#include "pop3/ByteSearch.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(ByteSearch, FindsTheFirstWholeOccurrenceLikeAPlainSearch) {
    const QByteArray texts[] = {
        "",           "\r",      "\r\n",        "a\r\nb\r\n",   "\r\r\n\r\n",
        "\n.\n.\r\n", "x\r\n\r", "..\r\n.\r\n", "\r\n\r\n\r\n", "abc"};
    const QByteArray patterns[] = {"\r\n", "\r\n\r\n", "\n.\r\n", "\r"};
    for (const QByteArray& text : texts) {
        for (const QByteArray& pattern : patterns) {
            for (qsizetype from = 0; from <= text.size() + 1; ++from) {
                EXPECT_EQ(indexOfBytes(text, pattern, from),
                          from > text.size() ? -1 : text.indexOf(pattern, from))
                    << text.toStdString() << " / " << pattern.toStdString() << " from " << from;
            }
        }
    }
}

} // namespace
} // namespace mervantic
