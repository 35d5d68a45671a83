#pragma once

#include "store/Options.h"

#include <QObject>

#include <functional>

namespace mervantic {

class Dialogs;
class HeldButtonRepeater;
class AccountList;
class MailList;
class RecheckTimer;
class SecretEntry;
class Settings;
class SettingsPage;

// What the settings page's controls do beyond setting their working value: the delete
// functions' switch, the tray message, the tool-tip switch, the coupling of the two sound
// options, the time-out's step buttons, and the run-password and APOP-secret boxes.
class SettingsPageController final : public QObject {
    Q_OBJECT

public:
    struct Parts {
        SettingsPage& page;
        Settings& settings;
        SecretEntry& secrets;
        Dialogs& dialogs;
        MailList& mail;
        RecheckTimer& recheck;
        const AccountList& accounts;
        // Whether the window has had its first activation: values set while it loads are not
        // the user's clicks.
        std::function<bool()> windowActivated;
    };

    explicit SettingsPageController(Parts parts, QObject* parent = nullptr);

    // Ends any hold of the step buttons, so that the value shown is the value kept.
    void letGoOfButtons();
    // A "Defaults" button (page 1 to 3): after a confirmation, the page's values as a new user
    // has them.
    void restoreDefaults(int page);

    HeldButtonRepeater& timeoutDown() const { return *m_timeoutDown; }
    HeldButtonRepeater& timeoutUp() const { return *m_timeoutUp; }

Q_SIGNALS:
    void deleteFunctionsSwitched(bool on);
    void toolTipsSwitched();
    void continuousAlarmSwitched(bool on);

private:
    void onOptionChanged(OptionCheck option, bool on);
    void stepTimeout(int seconds);

    Parts m_parts;
    // Gmail's way with RETR is told once a run.
    bool m_toldGmailRetr = false;
    HeldButtonRepeater* m_timeoutDown;
    HeldButtonRepeater* m_timeoutUp;
};

} // namespace mervantic
