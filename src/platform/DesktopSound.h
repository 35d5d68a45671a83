#pragma once

#include "platform/Beeper.h"

#include <QString>

#include <functional>

struct ca_context;

namespace mervantic {

// The new-mail sound, played through the desktop's sound system (PulseAudio or PipeWire, or
// ALSA) by libcanberra: the sound theme's "message-new-email" event, the program's own sound
// where the theme has none, and the fallback (the X bell) only when no sound system answers.
// A desktop whose "event sounds" are switched off hears nothing of it.
class DesktopSound final : public Beeper {
public:
    // `ownSound` is the program's sound file; `fallback` sounds when nothing else can.
    DesktopSound(QString ownSound, std::function<void()> fallback);
    ~DesktopSound() override;
    DesktopSound(const DesktopSound&) = delete;
    DesktopSound& operator=(const DesktopSound&) = delete;

    void beep() override;

    // What the last sound was played by, for the log and for tests.
    enum class Played { Nothing, ThemeSound, OwnSound, Fallback, SwitchedOff };
    Played lastPlayed() const { return m_lastPlayed; }

    // Whether the desktop's "event sounds" switch is on (GNOME's setting; on where there is
    // none).
    static bool eventSoundsOn();

private:
    bool open();

    QString m_ownSound;
    std::function<void()> m_fallback;
    ca_context* m_context = nullptr;
    bool m_opened = false;
    Played m_lastPlayed = Played::Nothing;
};

} // namespace mervantic
