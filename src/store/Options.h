#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace mervantic {

// The working values of the user's options while the program runs. The settings file is read
// into them at start and written from them at close.
struct Options {
    bool checkOnlyChecked = false;
    bool autoCheckOnOpen = false;
    bool useRetr = false;
    bool deleteEnabled = false;
    bool soundOnNewMail = false;
    bool useApop = false;
    bool autoStartTimer = false;
    bool noToolTips = false;
    bool continuousAlarm = false;
    bool idleIfOffline = false;
    bool passwordsAsSecrets = false;
    std::int32_t recheckMinutes = 30;
    std::int64_t serverTimeoutMs = 180000;
    std::int32_t dateFormat = 1;
    QString apopSecret;
    QDateTime lastCheckTime;
};

} // namespace mervantic
