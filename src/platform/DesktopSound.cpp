#include "platform/DesktopSound.h"

#include <QFile>

#include <canberra.h>
#include <gio/gio.h>

namespace mervantic {

namespace {
// Plays once; a new one does not wait for the last.
constexpr std::uint32_t kSoundId = 1;
} // namespace

DesktopSound::DesktopSound(QString ownSound, std::function<void()> fallback)
    : m_ownSound(std::move(ownSound))
    , m_fallback(std::move(fallback)) {}

DesktopSound::~DesktopSound() {
    if (m_context != nullptr)
        ca_context_destroy(m_context);
}

bool DesktopSound::eventSoundsOn() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr)
        return true;
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(source, "org.gnome.desktop.sound", TRUE);
    if (schema == nullptr)
        return true;
    const bool known = g_settings_schema_has_key(schema, "event-sounds");
    g_settings_schema_unref(schema);
    if (!known)
        return true;
    GSettings* settings = g_settings_new("org.gnome.desktop.sound");
    const bool on = g_settings_get_boolean(settings, "event-sounds") != FALSE;
    g_object_unref(settings);
    return on;
}

bool DesktopSound::open() {
    if (m_opened)
        return m_context != nullptr;
    m_opened = true;
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return false;
    }
    ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Mervantic",
                            CA_PROP_APPLICATION_ID, "mervantic", CA_PROP_APPLICATION_ICON_NAME,
                            "mervantic", nullptr);
    if (ca_context_open(m_context) != CA_SUCCESS) {
        ca_context_destroy(m_context);
        m_context = nullptr;
        return false;
    }
    return true;
}

void DesktopSound::beep() {
    if (!eventSoundsOn()) {
        m_lastPlayed = Played::SwitchedOff;
        return;
    }
    if (!open()) {
        m_lastPlayed = Played::Fallback;
        m_fallback();
        return;
    }
    int result = ca_context_play(m_context, kSoundId, CA_PROP_EVENT_ID, "message-new-email",
                                 CA_PROP_EVENT_DESCRIPTION, "New mail", nullptr);
    if (result == CA_SUCCESS) {
        m_lastPlayed = Played::ThemeSound;
        return;
    }
    if (result == CA_ERROR_NOTFOUND && QFile::exists(m_ownSound)) {
        const QByteArray file = QFile::encodeName(m_ownSound);
        result = ca_context_play(m_context, kSoundId, CA_PROP_MEDIA_FILENAME, file.constData(),
                                 CA_PROP_EVENT_DESCRIPTION, "New mail", nullptr);
        if (result == CA_SUCCESS) {
            m_lastPlayed = Played::OwnSound;
            return;
        }
    }
    // No sound system answers (or it cannot play anything): the bell is all there is.
    m_lastPlayed = Played::Fallback;
    m_fallback();
}

} // namespace mervantic
