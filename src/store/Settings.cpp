#include "store/Settings.h"

#include "store/OleDate.h"
#include "store/OptionFields.h"
#include "store/PasswordScrambler.h"
#include "store/RecordBytes.h"

#include <cmath>

namespace mervantic {

namespace {

bool on(std::int16_t flag) {
    return flag == 1;
}

std::int16_t flag(bool value) {
    return value ? 1 : 0;
}

float widthOrDefault(float width, float fallback) {
    return width < 0 || !std::isfinite(width) ? fallback : width;
}

// The font named in the record when it is installed, else the first installed of the usual
// ones, the desktop's general font, or the first installed font.
void repairFont(WindowValues& window, const DisplayFacts& display) {
    const auto installed = [&](const QString& name) {
        return !name.isEmpty() && display.fontInstalled && display.fontInstalled(name);
    };
    if (installed(window.fontName)) {
        if (!(window.fontSize >= 2))
            window.fontSize = 8;
        else if (window.fontSize > 12)
            window.fontSize = 12;
        return;
    }
    QString replacement = display.firstInstalledFont;
    for (const QString& candidate : {QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                                     QStringLiteral("Verdana"), display.desktopFont}) {
        if (installed(candidate)) {
            replacement = candidate;
            break;
        }
    }
    window.fontName = replacement;
    window.fontSize = 8;
    window.fontBold = false;
}

} // namespace

Settings Settings::load(const SettingsRecord& record, const DisplayFacts& display) {
    Settings s;
    Options& o = s.options;
    for (const OptionField& option : kOptionFields)
        o.*option.working = on(record.*option.stored);
    o.apopSecret = PasswordScrambler::unscramblePassword(record.apopSecretScrambled);
    o.lastCheckTime = OleDate::toDateTime(record.lastCheckTime);
    s.trayActive = o.trayOnClose;
    s.runPassword = PasswordScrambler::unscrambleChunk(record.runPasswordScrambled).trimmed();

    // Only formats 1 to 5 exist; a damaged value beyond them would blank every date shown and
    // make every message new at each check.
    o.dateFormat = record.dateFormat < 1 || record.dateFormat > 5 ? 1 : record.dateFormat;

    WindowValues& w = s.window;
    w.left = record.windowLeft;
    w.top = record.windowTop;
    w.width = record.windowWidth;
    w.height = record.windowHeight;
    if (!(w.left >= 0) || w.left > display.screenWidth - 3000)
        w.left = 0;
    if (!(w.top >= 0) || w.top > display.screenHeight - 3000)
        w.top = 0;

    w.fontName = trimField(record.fontName);
    w.fontBold = record.fontBold != 0;
    w.fontSize = record.fontSize;
    repairFont(w, display);

    o.recheckMinutes =
        record.recheckMinutes > kMostRecheckMinutes || record.recheckMinutes < kFewestRecheckMinutes
            ? kDefaultRecheckMinutes
            : record.recheckMinutes;

    // The time-out is stored in milliseconds as a currency value; the page shows whole seconds.
    // The seconds are those of the whole milliseconds kept, so that what is shown is what a
    // save and the next load show again.
    const double milliseconds = static_cast<double>(record.serverTimeout) / 10000.0;
    o.serverTimeoutMs = static_cast<std::int64_t>(std::nearbyint(milliseconds));
    if (o.timeoutSeconds() < kFewestTimeoutSeconds)
        o.serverTimeoutMs = std::int64_t{kFewestTimeoutSeconds} * 1000;
    else if (o.timeoutSeconds() > kMostTimeoutSeconds)
        o.serverTimeoutMs = std::int64_t{kMostTimeoutSeconds} * 1000;

    const std::array<float, 6> mail = {record.mailColWidth1, record.mailColWidth2,
                                       record.mailColWidth3, record.mailColWidth4,
                                       record.mailColWidth5, record.mailColWidth6};
    for (std::size_t i = 0; i < mail.size(); ++i)
        w.mailColumnWidths[i] = widthOrDefault(mail[i], kMailColumnDefaults[i]);
    const std::array<float, 4> accounts = {record.userColWidth1, record.userColWidth2,
                                           record.userColWidth3, record.userColWidth4};
    for (std::size_t i = 0; i < accounts.size(); ++i)
        w.accountColumnWidths[i] = widthOrDefault(accounts[i], kAccountColumnDefault);
    w.logPaneMode = record.logPaneMode;

    // The first run gets a window of a set size in the middle of the work area.
    s.firstRun = record.firstRunMarker == 0;
    if (s.firstRun) {
        const QRectF& area = display.workArea;
        w.width = 10230;
        w.height = 5265;
        if (area.width() < w.width)
            w.width = static_cast<float>(area.width()) - 1800;
        w.left = static_cast<float>(area.left() + (area.width() - w.width) / 2);
        if (area.height() < w.height)
            w.height = static_cast<float>(area.height()) - 1200;
        w.top = static_cast<float>(area.top() + (area.height() - w.height) / 2);
    }
    return s;
}

SettingsRecord Settings::store(SettingsRecord r) const {
    const Options& o = options;
    const WindowValues& w = window;
    r.windowLeft = w.left;
    r.windowTop = w.top;
    r.windowWidth = w.width;
    r.windowHeight = w.height;
    r.serverTimeout = o.serverTimeoutMs * 10000;
    r.mailColWidth1 = w.mailColumnWidths[0];
    r.mailColWidth2 = w.mailColumnWidths[1];
    r.mailColWidth3 = w.mailColumnWidths[2];
    r.mailColWidth4 = w.mailColumnWidths[3];
    r.mailColWidth5 = w.mailColumnWidths[4];
    r.mailColWidth6 = w.mailColumnWidths[5];
    r.userColWidth1 = w.accountColumnWidths[0];
    r.userColWidth2 = w.accountColumnWidths[1];
    r.userColWidth3 = w.accountColumnWidths[2];
    r.userColWidth4 = w.accountColumnWidths[3];
    r.recheckMinutes = o.recheckMinutes;
    r.apopSecretScrambled = PasswordScrambler::scramblePassword(o.apopSecret);
    for (const OptionField& option : kOptionFields)
        r.*option.stored = flag(o.*option.working);
    r.firstRunMarker = 1;
    r.fontName = w.fontName;
    r.fontBold = w.fontBold ? -1 : 0;
    r.fontSize = w.fontSize;
    r.dateFormat = o.dateFormat;
    r.runPasswordScrambled = PasswordScrambler::scrambleChunk(runPassword);
    r.logPaneMode = static_cast<std::int16_t>(w.logPaneMode);
    r.lastCheckTime = OleDate::fromDateTime(o.lastCheckTime);
    return r;
}

bool& Settings::option(OptionCheck check) {
    return options.*optionField(check).working;
}

} // namespace mervantic
