#pragma once

#include "store/Options.h"
#include "store/SettingsRecord.h"

#include <QRectF>
#include <QString>

#include <array>
#include <functional>

namespace mervantic {

// What the load needs to know of the desktop to repair the window's values: sizes in twips
// (15 to a pixel) and the installed fonts.
struct DisplayFacts {
    float screenWidth = 0;
    float screenHeight = 0;
    QRectF workArea;
    std::function<bool(const QString& family)> fontInstalled;
    // The desktop's general font, and the first installed font, for the last fallbacks.
    QString desktopFont;
    QString firstInstalledFont;
};

// Values that belong to the window's widgets, held here between load and close.
struct WindowValues {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    std::array<float, 6> mailColumnWidths{};
    std::array<float, 4> accountColumnWidths{};
    QString fontName;
    bool fontBold = false;
    float fontSize = 8;
    int logPaneMode = 0;
};

// The working copy of the settings record while the program runs: read and repaired when the
// window loads, written back when it closes.
class Settings {
public:
    static constexpr std::array<float, 6> kMailColumnDefaults = {1440, 1440, 2000,
                                                                 3300, 2200, 1440};
    static constexpr float kAccountColumnDefault = 1440;

    // The working value an option check box shows and sets. The tray box sets the value chosen
    // for the next run.
    bool& option(OptionCheck check);
    bool option(OptionCheck check) const { return const_cast<Settings*>(this)->option(check); }

    // Reads the record's values and repairs those out of range.
    static Settings load(const SettingsRecord& record, const DisplayFacts& display);
    // The record to write at close: every working value over `read`, whose reserved fields
    // stay as they were.
    SettingsRecord store(SettingsRecord read) const;

    Options options;
    WindowValues window;
    // The notification-area icon in force for this run (the one chosen for the next is an
    // option).
    bool trayActive = false;
    // True when this load applied the first-run size and place.
    bool firstRun = false;
    QString runPassword;
};

} // namespace mervantic
