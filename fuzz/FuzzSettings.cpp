// The settings record over arbitrary bytes: the load repairs what is out of range, and a record
// stored from the repaired values loads to the same values again.
#include "store/OptionFields.h"
#include "store/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace mervantic;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DisplayFacts display;
    display.screenWidth = 1920 * 15;
    display.screenHeight = 1080 * 15;
    display.workArea = QRectF(0, 0, 1920 * 15, 1040 * 15);
    display.fontInstalled = [](const QString& family) {
        return family == QStringLiteral("Arial") || family == QStringLiteral("DejaVu Sans");
    };
    display.desktopFont = QStringLiteral("DejaVu Sans");
    display.firstInstalledFont = QStringLiteral("Arial");
    const SettingsRecord record = SettingsRecord::fromBytes(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const Settings first = Settings::load(record, display);
    const SettingsRecord stored = SettingsRecord::fromBytes(first.store(record).toBytes());
    const Settings second = Settings::load(stored, display);
    const Options& a = first.options;
    const Options& b = second.options;
    if (a.recheckMinutes != b.recheckMinutes || a.serverTimeoutMs != b.serverTimeoutMs ||
        a.dateFormat != b.dateFormat || a.apopSecret != b.apopSecret ||
        first.options.timeoutSeconds() != second.options.timeoutSeconds() ||
        first.window.fontName != second.window.fontName ||
        first.window.fontSize != second.window.fontSize ||
        first.options.trayOnClose != second.options.trayOnClose)
        std::abort();
    for (const OptionField& option : kOptionFields)
        if (first.option(option.check) != second.option(option.check))
            std::abort();
    return 0;
}
