// Password unscrambling over arbitrary fields, and the round trip of what it gives back.
#include "store/PasswordScrambler.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace mervantic::PasswordScrambler;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString field =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString chunk = unscrambleChunk(field);
    const QString password = unscramblePassword(field);
    // Whatever a field gave, stored again it gives the same back.
    if (chunk != kWrongLength && unscrambleChunk(scrambleChunk(chunk)) != chunk)
        std::abort();
    if (unscramblePassword(scramblePassword(password.left(248))) != password.left(248))
        std::abort();
    return 0;
}
