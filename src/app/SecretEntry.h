#pragma once

#include <QString>

namespace mervantic {

class Dialogs;
class Settings;

// The run-password box and the APOP-secret box of the settings pages, which act when Enter is
// pressed. The values reach the settings file at close.
class SecretEntry {
public:
    SecretEntry(Settings& settings, Dialogs& dialogs);

    // What the box should hold after Enter.
    QString runPasswordEntered(const QString& typed);
    QString secretEntered(const QString& typed);

private:
    Settings& m_settings;
    Dialogs& m_dialogs;
};

} // namespace mervantic
