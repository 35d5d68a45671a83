#pragma once

#include <QDateTime>
#include <QString>

#include <cmath>
#include <cstdint>

namespace mervantic {

// The option check boxes of the settings pages, numbered as their controls (Check1..Check12).
enum class OptionCheck : int {
    CheckOnlyChecked = 1,
    AutoCheckOnOpen = 2,
    UseRetr = 3,
    DeleteEnabled = 4,
    SoundOnNewMail = 5,
    UseApop = 6,
    TrayOnClose = 7,
    AutoStartTimer = 8,
    NoToolTips = 9,
    ContinuousAlarm = 10,
    IdleIfOffline = 11,
    PasswordsAsSecrets = 12,
};

// The ranges the settings pages allow for the re-check interval and the server time-out, and
// the values their defaults buttons give back; a stored value out of range is repaired to them.
inline constexpr int kFewestRecheckMinutes = 1;
inline constexpr int kMostRecheckMinutes = 9999;
inline constexpr int kDefaultRecheckMinutes = 30;
inline constexpr int kFewestTimeoutSeconds = 5;
inline constexpr int kMostTimeoutSeconds = 600;
inline constexpr int kDefaultTimeoutSeconds = 180;

// The working values of the user's options while the program runs. The settings file is read
// into them at start and written from them at close.
struct Options {
    bool checkOnlyChecked = false;
    bool autoCheckOnOpen = false;
    bool useRetr = false;
    bool deleteEnabled = false;
    bool soundOnNewMail = false;
    bool useApop = false;
    // The notification-area icon chosen for the next run; the one in force is Settings'.
    bool trayOnClose = false;
    bool autoStartTimer = false;
    bool noToolTips = false;
    bool continuousAlarm = false;
    bool idleIfOffline = false;
    bool passwordsAsSecrets = false;
    std::int32_t recheckMinutes = kDefaultRecheckMinutes;
    std::int64_t serverTimeoutMs = std::int64_t{kDefaultTimeoutSeconds} * 1000;
    // The time-out in whole seconds, as the settings page shows it (halves to even).
    int timeoutSeconds() const {
        return static_cast<int>(std::nearbyint(static_cast<double>(serverTimeoutMs) / 1000.0));
    }
    std::int32_t dateFormat = 1;
    QString apopSecret;
    QDateTime lastCheckTime;
};

} // namespace mervantic
