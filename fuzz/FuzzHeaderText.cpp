// The header-text decoder (raw UTF-8 or Latin-1, RFC 2047 encoded words) over arbitrary bytes.
#include "pop3/HeaderText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)mervantic::decodeHeaderText(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
