#include "app/SettingsPageController.h"

#include "app/Dialogs.h"
#include "app/HeldButtonRepeater.h"
#include "app/SecretEntry.h"
#include "app/SettingsPage.h"
#include "mail/MailList.h"
#include "pop3/ProviderHints.h"
#include "pop3/RecheckTimer.h"
#include "store/AccountList.h"
#include "store/OptionFields.h"
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

    // The time-out takes each step at once: there is nothing to hold back until the release.
    m_timeoutDown = new HeldButtonRepeater(
        *page.timeoutDown(), [this](int step) { stepTimeout(-step); }, [] {});
    m_timeoutUp = new HeldButtonRepeater(
        *page.timeoutUp(), [this](int step) { stepTimeout(step); }, [] {});

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

void SettingsPageController::restoreDefaults(int page) {
    const QString question =
        QStringLiteral("Do You Want To Restore The Original, Default Settings For This Page?") +
        (page == 2 ? QStringLiteral(" (Except Password)") : QString());
    if (!m_parts.dialogs.question(question))
        return;
    Settings& settings = m_parts.settings;
    SettingsPage& controls = m_parts.page;
    for (const OptionField& option : kOptionFields) {
        if (option.page != page)
            continue;
        QCheckBox* box = controls.check(option.check);
        if (box->isChecked() != option.byDefault)
            box->click();
        settings.options.*option.working = option.byDefault;
    }
    switch (page) {
    case 1:
        m_parts.recheck.intervalReset();
        break;
    case 2:
        settings.options.dateFormat = 1;
        controls.dateFormatChooser()->setCurrentIndex(0);
        settings.options.serverTimeoutMs = std::int64_t{kDefaultTimeoutSeconds} * 1000;
        controls.timeoutBox()->setText(QString::number(kDefaultTimeoutSeconds));
        break;
    case 3:
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
    Options& options = m_parts.settings.options;
    const int shown =
        std::clamp(options.timeoutSeconds() + seconds, kFewestTimeoutSeconds, kMostTimeoutSeconds);
    options.serverTimeoutMs = std::int64_t{shown} * 1000;
    m_parts.page.timeoutBox()->setText(QString::number(shown));
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
                settings.options.trayOnClose == settings.trayActive
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
    case OptionCheck::UseRetr:
        if (on && m_parts.windowActivated() && !m_toldGmailRetr) {
            const auto& rows = m_parts.accounts.rows();
            const bool gmail = std::any_of(rows.begin(), rows.end(), [](const AccountRow& row) {
                return isGmailServer(row.server);
            });
            if (gmail) {
                m_toldGmailRetr = true;
                m_parts.dialogs.message(QStringLiteral(
                    "Gmail Hides A Message Fetched With RETR From Later POP3 Sessions: Your Gmail "
                    "Account Will List Each Message Once Only"));
            }
        }
        break;
    default:
        // The others are read where they act, when they act.
        break;
    }
}

} // namespace mervantic
