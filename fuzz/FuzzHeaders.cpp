// Header extraction over arbitrary message bytes, with every date format.
#include "mail/DateNormaliser.h"
#include "pop3/HeaderExtraction.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView message(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<mervantic::MessageHeaders> headers = mervantic::extractHeaders(message);
    if (!headers)
        return 0;
    for (int format = 1; format <= 6; ++format)
        (void)mervantic::normaliseDate(headers->date, format);
    return 0;
}
