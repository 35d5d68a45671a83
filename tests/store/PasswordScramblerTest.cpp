#include "store/PasswordScrambler.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

namespace PS = PasswordScrambler;

bool printable(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 32 && c.unicode() <= 126; });
}

QString text(int length) {
    QString result;
    for (int i = 0; i < length; ++i)
        result += QChar(u'!' + (i * 7) % 94);
    return result;
}

TEST(PasswordScrambler, ChunksComeBackWithTheirFirst62CharactersBlanksIncluded) {
    const QString cases[] = {QString(),
                             QStringLiteral("x"),
                             text(61),
                             text(62),
                             text(63),
                             QStringLiteral("  lead and trail  "),
                             QStringLiteral(" "),
                             QStringLiteral("pässwörd")};
    for (const QString& clear : cases) {
        const QString scrambled = PS::scrambleChunk(clear);
        EXPECT_EQ(scrambled.size(), 64) << clear.toStdString();
        EXPECT_EQ(PS::unscrambleChunk(scrambled), clear.left(62)) << clear.toStdString();
        if (printable(clear)) {
            EXPECT_TRUE(printable(scrambled)) << clear.toStdString();
        }
        if (clear.size() > 1) {
            EXPECT_FALSE(scrambled.contains(clear)) << "stored as typed: " << clear.toStdString();
        }
    }
}

TEST(PasswordScrambler, OnlyAFull62CharacterTextScramblesTheSameTwice) {
    EXPECT_EQ(PS::scrambleChunk(text(62)), PS::scrambleChunk(text(62)));
    EXPECT_EQ(PS::scrambleChunk(text(63)), PS::scrambleChunk(text(62)));
    // Shorter texts get fresh random filler each time.
    EXPECT_NE(PS::scrambleChunk(text(20)), PS::scrambleChunk(text(20)));
    EXPECT_NE(PS::scrambleChunk(QString()), PS::scrambleChunk(QString()));
}

TEST(PasswordScrambler, TheTranspositionIsFixedSoStoredFilesStayReadable) {
    // Written by this version; a change of the tables would lose every stored password.
    const QString clear =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    ASSERT_EQ(clear.size(), 62);
    const QString stored = PS::scrambleChunk(clear);
    EXPECT_EQ(stored,
              QStringLiteral("pisengtlqjfrmhokJCM6HANFKD2LGBIE5y8u3w916zv72x40ZScOXQdVaTPbWRYU"));
    EXPECT_EQ(PS::unscrambleChunk(stored), clear);
}

TEST(PasswordScrambler, DamagedOrWrongSizedInputNeverThrows) {
    EXPECT_EQ(PS::unscrambleChunk(QString(63, u'a')), QStringLiteral("WhatThe"));
    EXPECT_EQ(PS::unscrambleChunk(QString()), QStringLiteral("WhatThe"));
    EXPECT_EQ(PS::unscrambleChunk(QString(64, u' ')), QString());
    EXPECT_EQ(PS::unscrambleChunk(QString(64, QChar(0))), QString());
    EXPECT_EQ(PS::unscrambleChunk(QString(64, u'x')), QString());
    EXPECT_EQ(PS::unscrambleChunk(QString(64, u'0')), QString()); // length 00
    EXPECT_EQ(PS::unscramblePassword(QString(255, u' ')), QStringLiteral("WhatThe"));
    EXPECT_EQ(PS::unscramblePassword(QString(256, u' ')), QString());
}

TEST(PasswordScrambler, LongSecretsTravelInFourChunks) {
    for (const int length : {0, 1, 62, 63, 100, 124, 248, 249, 300}) {
        const QString clear = text(length);
        const QString scrambled = PS::scramblePassword(clear);
        EXPECT_EQ(scrambled.size(), 256) << length;
        EXPECT_TRUE(printable(scrambled)) << length;
        EXPECT_EQ(PS::unscramblePassword(scrambled), clear.left(248)) << length;
        // Each quarter is a chunk of its own piece: 100 characters give 62, 38 and two empty.
        for (int piece = 0; piece < 4; ++piece)
            EXPECT_EQ(PS::unscrambleChunk(scrambled.mid(piece * 64, 64)),
                      clear.left(248).mid(piece * 62, 62))
                << length << " piece " << piece;
    }
}

} // namespace
} // namespace mervantic
