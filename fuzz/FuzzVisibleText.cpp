// What makes outside text fit to show, over arbitrary UTF-16: nothing that acts survives it, it
// changes nothing twice, and a tool tip made of it holds no markup of the input's.
#include "store/VisibleText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString outside(reinterpret_cast<const QChar*>(data),
                          static_cast<qsizetype>(size / sizeof(QChar)));
    const QString line = mervantic::visibleText(outside);
    if (mervantic::hasHiddenCharacters(line) || mervantic::visibleText(line) != line)
        std::abort();
    const QString lines = mervantic::visibleLines(outside);
    if (lines.contains(QLatin1Char('\r')) ||
        mervantic::hasHiddenCharacters(QString(lines).remove(QLatin1Char('\n'))))
        std::abort();
    const QString tip = mervantic::plainToolTip(outside);
    // The only tags are the paragraph's own.
    if (!tip.isEmpty() && tip.count(QLatin1Char('<')) != 2)
        std::abort();
    return 0;
}
