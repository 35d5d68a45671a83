#pragma once

#include "store/Options.h"
#include "store/SettingsRecord.h"

#include <QtGlobal>

#include <cstdint>

namespace mervantic {

// One option box: its working value, the 16-bit flag that keeps it in the settings record and
// where that flag lies, its value after "Defaults", and the settings page whose "Defaults"
// button gives it back.
struct OptionField {
    OptionCheck check;
    bool Options::*working;
    std::int16_t SettingsRecord::*stored;
    qsizetype offset;
    bool byDefault;
    int page;
};

// Every option, in the order of its box's number: the one list the record, the working values,
// the boxes and the defaults buttons are read from.
inline constexpr OptionField kOptionFields[] = {
    {OptionCheck::CheckOnlyChecked, &Options::checkOnlyChecked, &SettingsRecord::checkOnlyChecked,
     56, false, 1},
    {OptionCheck::AutoCheckOnOpen, &Options::autoCheckOnOpen, &SettingsRecord::autoCheckOnOpen, 58,
     false, 1},
    {OptionCheck::UseRetr, &Options::useRetr, &SettingsRecord::useRetr, 60, false, 3},
    {OptionCheck::DeleteEnabled, &Options::deleteEnabled, &SettingsRecord::deleteEnabled, 62, false,
     1},
    {OptionCheck::SoundOnNewMail, &Options::soundOnNewMail, &SettingsRecord::soundOnNewMail, 112,
     false, 1},
    {OptionCheck::UseApop, &Options::useApop, &SettingsRecord::useApop, 114, false, 3},
    {OptionCheck::TrayOnClose, &Options::trayOnClose, &SettingsRecord::trayOnClose, 372, false, 2},
    {OptionCheck::AutoStartTimer, &Options::autoStartTimer, &SettingsRecord::autoStartTimer, 528,
     false, 1},
    {OptionCheck::NoToolTips, &Options::noToolTips, &SettingsRecord::noToolTips, 542, false, 2},
    {OptionCheck::ContinuousAlarm, &Options::continuousAlarm, &SettingsRecord::continuousAlarm, 608,
     false, 1},
    {OptionCheck::IdleIfOffline, &Options::idleIfOffline, &SettingsRecord::idleIfOffline, 610,
     false, 1},
    {OptionCheck::PasswordsAsSecrets, &Options::passwordsAsSecrets,
     &SettingsRecord::passwordsAsSecrets, 624, false, 3},
};

inline constexpr const OptionField& optionField(OptionCheck check) {
    return kOptionFields[static_cast<int>(check) - 1];
}

} // namespace mervantic
