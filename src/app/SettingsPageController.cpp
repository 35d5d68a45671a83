#include "app/SettingsPageController.h"

#include "app/Dialogs.h"
#include "app/HeldButtonRepeater.h"
#include "app/SecretEntry.h"
#include "app/SettingsPage.h"
#include "mail/MailList.h"
#include "pop3/RecheckTimer.h"
#include "store/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace mervantic {

SettingsPageController::SettingsPageController(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts)) {
    SettingsPage& page = m_parts.page;
    connect(&page, &SettingsPage::optionChanged, this, &SettingsPageController::onOptionChanged);

    const auto storeTimeout = [this] {
        m_parts.settings.options.serverTimeoutMs =
            std::int64_t{m_parts.settings.timeoutSeconds} * 1000;
    };
    m_timeoutDown = new HeldButtonRepeater(
        *page.timeoutDown(), [this](int step) { stepTimeout(-step); }, storeTimeout);
    m_timeoutUp = new HeldButtonRepeater(
        *page.timeoutUp(), [this](int step) { stepTimeout(step); }, storeTimeout);

    for (int number = 1; number <= 3; ++number)
        connect(page.defaultsButton(number), &QPushButton::clicked, this,
                [this, number] { restoreDefaults(number); });
    connect(page.runPasswordBox(), &QLineEdit::returnPressed, this, [this] {
        QLineEdit* box = m_parts.page.runPasswordBox();
        box->setText(m_parts.secrets.runPasswordEntered(box->text()));
    });
    connect(page.secretBox(), &QLineEdit::returnPressed, this, [this] {
        QLineEdit* box = m_parts.page.secretBox();
        box->setText(m_parts.secrets.secretEntered(box->text()));
    });
}

void SettingsPageController::clear(OptionCheck option) {
    QCheckBox* box = m_parts.page.check(option);
    if (box->isChecked())
        box->click();
    m_parts.settings.option(option) = false;
}

void SettingsPageController::restoreDefaults(int page) {
    const QString question =
        QStringLiteral("Do You Want To Restore The Original, Default Settings For This Page?") +
        (page == 2 ? QStringLiteral(" (Except Password)") : QString());
    if (!m_parts.dialogs.question(question))
        return;
    Settings& settings = m_parts.settings;
    SettingsPage& controls = m_parts.page;
    switch (page) {
    case 1:
        for (const OptionCheck option : {OptionCheck::CheckOnlyChecked,
                                         OptionCheck::AutoCheckOnOpen, OptionCheck::SoundOnNewMail,
                                         OptionCheck::ContinuousAlarm, OptionCheck::IdleIfOffline})
            clear(option);
        clear(OptionCheck::AutoStartTimer);
        clear(OptionCheck::DeleteEnabled);
        m_parts.recheck.intervalReset();
        break;
    case 2:
        clear(OptionCheck::TrayOnClose);
        settings.options.dateFormat = 1;
        controls.dateFormatChooser()->setCurrentIndex(0);
        settings.timeoutSeconds = kDefaultTimeoutSeconds;
        settings.options.serverTimeoutMs = std::int64_t{kDefaultTimeoutSeconds} * 1000;
        controls.timeoutBox()->setText(QString::number(kDefaultTimeoutSeconds));
        clear(OptionCheck::NoToolTips);
        break;
    case 3:
        clear(OptionCheck::UseRetr);
        clear(OptionCheck::UseApop);
        clear(OptionCheck::PasswordsAsSecrets);
        controls.secretBox()->clear();
        settings.options.apopSecret.clear();
        break;
    default:
        break;
    }
}

void SettingsPageController::letGoOfButtons() {
    m_timeoutDown->letGo();
    m_timeoutUp->letGo();
}

void SettingsPageController::stepTimeout(int seconds) {
    Settings& settings = m_parts.settings;
    settings.timeoutSeconds =
        std::clamp(settings.timeoutSeconds + seconds, kFewestTimeoutSeconds, kMostTimeoutSeconds);
    m_parts.page.timeoutBox()->setText(QString::number(settings.timeoutSeconds));
}

void SettingsPageController::onOptionChanged(OptionCheck option, bool on) {
    Settings& settings = m_parts.settings;
    switch (option) {
    case OptionCheck::DeleteEnabled:
        m_parts.mail.setDeleteFunctionsEnabled(on);
        Q_EMIT deleteFunctionsSwitched(on);
        break;
    case OptionCheck::TrayOnClose:
        if (m_parts.windowActivated())
            m_parts.dialogs.message(
                settings.trayChosen == settings.trayActive
                    ? QStringLiteral("Your Current Tray Icon Setting Will Remain In Effect.")
                    : QStringLiteral("Tray Icon Setting Change Will Be Applied Next App Run."));
        break;
    case OptionCheck::NoToolTips:
        Q_EMIT toolTipsSwitched();
        break;
    case OptionCheck::ContinuousAlarm:
        // A continuous alarm needs the sound on.
        if (on && !settings.options.soundOnNewMail) {
            settings.options.soundOnNewMail = true;
            m_parts.page.check(OptionCheck::SoundOnNewMail)->setChecked(true);
        }
        Q_EMIT continuousAlarmSwitched(on);
        break;
    case OptionCheck::CheckOnlyChecked:
    case OptionCheck::AutoCheckOnOpen:
    case OptionCheck::UseRetr:
    case OptionCheck::SoundOnNewMail:
    case OptionCheck::UseApop:
    case OptionCheck::AutoStartTimer:
    case OptionCheck::IdleIfOffline:
    case OptionCheck::PasswordsAsSecrets:
        break;
    }
}

} // namespace mervantic
