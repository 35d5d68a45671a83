#include "store/PasswordScrambler.h"

#include <QRandomGenerator>

#include <array>

namespace mervantic::PasswordScrambler {

namespace {

// Scrambled position j (0-based) of a block takes the clear position kPositions[j].
constexpr std::array<int, 16> kPositions = {11, 4, 14, 0, 9, 2, 15, 7, 12, 5, 1, 13, 8, 3, 10, 6};
// Scrambled block k holds the transposed clear block kBlocks[k].
constexpr std::array<int, 4> kBlocks = {2, 0, 3, 1};
constexpr int kBlockSize = 16;

QChar randomPrintable() {
    // Uniform over the 95 printable ASCII characters, space to tilde.
    return QChar(static_cast<char16_t>(32 + QRandomGenerator::system()->bounded(95)));
}

} // namespace

QString scrambleChunk(const QString& clear) {
    const QString text = clear.left(kChunkCapacity);
    QString chunk = QStringLiteral("%1").arg(text.size(), 2, 10, QLatin1Char('0')) + text;
    while (chunk.size() < kChunkSize)
        chunk.append(randomPrintable());

    QString scrambled(kChunkSize, Qt::Uninitialized);
    for (int block = 0; block < 4; ++block) {
        const int from = kBlocks[static_cast<std::size_t>(block)] * kBlockSize;
        for (int j = 0; j < kBlockSize; ++j)
            scrambled[block * kBlockSize + j] =
                chunk[from + kPositions[static_cast<std::size_t>(j)]];
    }
    return scrambled;
}

QString unscrambleChunk(const QString& scrambled) {
    if (scrambled.size() != kChunkSize)
        return kWrongLength;
    QString chunk(kChunkSize, Qt::Uninitialized);
    for (int block = 0; block < 4; ++block) {
        const int to = kBlocks[static_cast<std::size_t>(block)] * kBlockSize;
        for (int j = 0; j < kBlockSize; ++j)
            chunk[to + kPositions[static_cast<std::size_t>(j)]] = scrambled[block * kBlockSize + j];
    }
    // A field of blanks or zero bytes, or a damaged one, has no two-digit length.
    if (!chunk.at(0).isDigit() || !chunk.at(1).isDigit() || chunk.at(0).unicode() > '9' ||
        chunk.at(1).unicode() > '9')
        return {};
    const int length = chunk.left(2).toInt();
    if (length <= 0)
        return {};
    return chunk.mid(2, std::min(length, kChunkCapacity));
}

QString scramblePassword(const QString& clear) {
    const QString text = clear.left(kLongCapacity);
    QString scrambled;
    for (int piece = 0; piece < 4; ++piece)
        scrambled += scrambleChunk(text.mid(piece * kChunkCapacity, kChunkCapacity));
    return scrambled;
}

QString unscramblePassword(const QString& scrambled) {
    if (scrambled.size() != kLongSize)
        return kWrongLength;
    QString clear;
    for (int piece = 0; piece < 4; ++piece)
        clear += unscrambleChunk(scrambled.mid(piece * kChunkSize, kChunkSize));
    return clear;
}

} // namespace mervantic::PasswordScrambler
