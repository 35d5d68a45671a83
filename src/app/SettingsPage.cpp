#include "app/SettingsPage.h"

#include "app/ClickableLabel.h"
#include "mail/DateNormaliser.h"
#include "store/OptionFields.h"
#include "store/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace mervantic {

namespace {

constexpr int kRow = 20;

// The date-time display formats, in their order of choice. The two shown by example name
// their days and months as the dates in the list will.
QStringList dateFormatChoices(const QLocale& locale) {
    const auto example = [&locale](int format) {
        return QStringLiteral("ex. ") + dateFormatExample(format, locale) +
               QStringLiteral(" (Local Time)");
    };
    return {QStringLiteral("As Sent - No Format (Source Time)"),
            QStringLiteral("Reg.Setting-Short Date Time (Local Time)"),
            QStringLiteral("Reg.Setting-Long Date Time (Local Time)"), example(DayMonthDayYearTime),
            example(MonthDayYearTime)};
}

} // namespace

SettingsPage::SettingsPage(Settings& settings, QWidget* parent)
    : QGroupBox(QStringLiteral("Run Settings"), parent)
    , m_settings(settings) {
    setObjectName(QStringLiteral("Frame1"));

    // P. 1
    QWidget* p1 = makeSubPage(1, QStringLiteral("General Run Settings"));
    addCheck(p1, OptionCheck::AutoStartTimer,
             QStringLiteral("Auto-Start Timer When Mail Is Checked"), 22);
    addCheck(p1, OptionCheck::IdleIfOffline, QStringLiteral("Idle If Offline"), 22 + kRow);
    addCheck(p1, OptionCheck::ContinuousAlarm, QStringLiteral("Sound As Continuous Alarm"),
             22 + 2 * kRow);
    addCheck(p1, OptionCheck::CheckOnlyChecked,
             QStringLiteral("Check Mail Only For Usernames With Checked Boxes"), 22 + 3 * kRow);
    addCheck(p1, OptionCheck::AutoCheckOnOpen,
             QStringLiteral("Automatically Check Mail  When Window Opens"), 22 + 4 * kRow);
    addCheck(p1, OptionCheck::DeleteEnabled,
             QStringLiteral("Enable Functions To Delete Messages On POP3 Server"), 22 + 5 * kRow);
    addCheck(p1, OptionCheck::SoundOnNewMail,
             QStringLiteral("Play Sound  When New Mail Is Found On Server"), 22 + 6 * kRow);
    const QString intervalLabel = QStringLiteral("How Often To Re-Check For Mail  (Minutes)");
    m_interval = addBox(p1, QStringLiteral("Text6"), intervalLabel, 8, 168, 40);
    m_intervalDown = addButton(p1, QStringLiteral("Command10"), QStringLiteral("<"), 50, 168, 22);
    m_intervalUp = addButton(p1, QStringLiteral("Command11"), QStringLiteral(">"), 74, 168, 22);
    addLabel(p1, intervalLabel, 100, 171, 250);
    m_defaults[0] =
        addButton(p1, QStringLiteral("Command14"), QStringLiteral("Defaults"), 8, 204, 70);
    addArrow(p1, QStringLiteral("Label8"), QStringLiteral(">"), 250, 2);

    // P. 2
    QWidget* p2 = makeSubPage(2, QStringLiteral("General Run Settings"));
    addCheck(p2, OptionCheck::TrayOnClose,
             QStringLiteral("Close With Icon On The Tray (Notification Area)"), 22);
    addCheck(p2, OptionCheck::NoToolTips, QStringLiteral("Disable Tool Tips"), 22 + kRow);
    const QString passwordLabel = QStringLiteral("Mervantic Password");
    m_runPassword = addBox(p2, QStringLiteral("Text7"), passwordLabel, 8, 70, 150);
    m_runPassword->setMaxLength(62);
    m_runPassword->setEchoMode(QLineEdit::Password);
    addLabel(p2, passwordLabel, 164, 73, 180);
    const QString timeoutLabel = QStringLiteral("Server Connection Time-Out  (Seconds)");
    m_timeout = addBox(p2, QStringLiteral("Text9"), timeoutLabel, 8, 104, 40);
    m_timeout->setText(QStringLiteral("180"));
    m_timeoutDown = addButton(p2, QStringLiteral("Command6"), QStringLiteral("<"), 50, 104, 22);
    m_timeoutUp = addButton(p2, QStringLiteral("Command9"), QStringLiteral(">"), 74, 104, 22);
    addLabel(p2, timeoutLabel, 100, 107, 250);
    showStepBoxesAsReadOnly();
    m_dateFormat = new QComboBox(p2);
    m_dateFormat->setObjectName(QStringLiteral("ImageCombo1"));
    m_dateFormat->setAccessibleName(QStringLiteral("Date-Time"));
    m_dateFormat->setGeometry(8, 138, 250, 24);
    m_dateFormat->addItems(dateFormatChoices(QLocale::system()));
    addLabel(p2, QStringLiteral("Date-Time"), 264, 142, 80);
    m_startAtLogin = new QCheckBox(QStringLiteral("Start At Login, In The Notification Area"), p2);
    m_startAtLogin->setObjectName(QStringLiteral("CheckStartAtLogin"));
    m_startAtLogin->setGeometry(8, 172, kSubPageSize.width() - 16, kRow);
    m_startAtLogin->setToolTip(QStringLiteral(
        "Puts Mervantic in the desktop's autostart folder: at each login it starts with its "
        "icon in the notification area, its window hidden"));
    m_defaults[1] =
        addButton(p2, QStringLiteral("Command13"), QStringLiteral("Defaults"), 8, 204, 70);
    addArrow(p2, QStringLiteral("Label10"), QStringLiteral("<"), 130, 1);
    addArrow(p2, QStringLiteral("Label11"), QStringLiteral(">"), 250, 3);

    // P. 3
    QWidget* p3 = makeSubPage(3, QStringLiteral("Advanced"));
    addCheck(p3, OptionCheck::PasswordsAsSecrets,
             QStringLiteral("Use Passwords As APOP Shared Secrets (See Help)"), 22);
    addCheck(p3, OptionCheck::UseApop,
             QStringLiteral("Use \"APOP\" Instead Of Default \"USER\\PASS\" (See Help)"),
             22 + kRow);
    addCheck(p3, OptionCheck::UseRetr,
             QStringLiteral("Use \"RETR\" Instead Of Default \"TOP\" (See Help File)"),
             22 + 2 * kRow);
    const QString secretLabel = QStringLiteral("APOP Shared Secret (max. 248 bytes)");
    addLabel(p3, secretLabel, 8, 90, 300);
    m_secret = addBox(p3, QStringLiteral("Text8"), secretLabel, 8, 108, 336);
    m_secret->setMaxLength(248);
    addLabel(p3, QStringLiteral("(Note: APOP only works on custom eMail servers)"), 8, 136, 336);
    m_keyring = new QCheckBox(QStringLiteral("Keep Passwords In The Desktop Keyring"), p3);
    m_keyring->setObjectName(QStringLiteral("CheckKeyring"));
    m_keyring->setGeometry(8, 166, kSubPageSize.width() - 16, kRow);
    m_keyring->setToolTip(QStringLiteral(
        "Moves every account's password from the username file into the desktop's keyring "
        "(GNOME Keyring, KWallet, KeePassXC); off, they come back into the file"));
    m_defaults[2] =
        addButton(p3, QStringLiteral("Command12"), QStringLiteral("Defaults"), 8, 204, 70);
    addArrow(p3, QStringLiteral("Label13"), QStringLiteral("<"), 130, 2);

    connect(m_dateFormat, &QComboBox::activated, this, [this](int index) {
        // An empty choice counts as the first entry.
        m_settings.options.dateFormat = index < 0 ? 1 : index + 1;
        if (index < 0)
            m_dateFormat->setCurrentIndex(0);
    });
    showSubPage(1);
}

QWidget* SettingsPage::makeSubPage(int page, const QString& title) {
    auto* frame = new QGroupBox(title, this);
    const char* names[] = {"Frame2", "Frame4", "Frame5"};
    frame->setObjectName(QString::fromLatin1(names[page - 1]));
    frame->resize(kSubPageSize);
    auto* pageLabel = new QLabel(QStringLiteral("P. %1").arg(page), frame);
    pageLabel->setGeometry(kSubPageSize.width() - 40, 2, 34, 16);
    pageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pages[static_cast<std::size_t>(page - 1)] = frame;
    return frame;
}

QCheckBox* SettingsPage::addCheck(QWidget* page, OptionCheck option, const QString& caption,
                                  int y) {
    const int number = static_cast<int>(option);
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(QStringLiteral("Check%1").arg(number));
    box->setAccessibleName(caption);
    box->setGeometry(8, y, kSubPageSize.width() - 16, kRow);
    m_checks[static_cast<std::size_t>(number - 1)] = box;
    // A box changes by a click, the keyboard or an assistive technology's "Toggle" action; all
    // of them act alike. The program's own setting of the boxes (showValues) is not a change.
    connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
        m_settings.option(option) = on;
        Q_EMIT optionChanged(option, on);
    });
    return box;
}

QLabel* SettingsPage::addLabel(QWidget* page, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, page);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, y, width, 18);
    return label;
}

QLineEdit* SettingsPage::addBox(QWidget* page, const QString& name, const QString& label, int x,
                                int y, int width) {
    auto* box = new QLineEdit(page);
    box->setObjectName(name);
    box->setAccessibleName(label);
    box->setGeometry(x, y, width, 24);
    return box;
}

QPushButton* SettingsPage::addButton(QWidget* page, const QString& name, const QString& caption,
                                     int x, int y, int width) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(x, y, width, 24);
    return button;
}

ClickableLabel* SettingsPage::addArrow(QWidget* page, const QString& name, const QString& arrow,
                                       int x, int target) {
    auto* label = new ClickableLabel(arrow, page);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(arrow + QStringLiteral(" (more settings)"));
    label->setGeometry(x, 206, 14, 20);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setCursor(Qt::PointingHandCursor);
    auto* more = new QLabel(QStringLiteral("(more settings)"), page);
    more->setTextFormat(Qt::PlainText);
    more->setGeometry(x + 14, 208, 92, 18);
    connect(label, &ClickableLabel::clicked, this, [this, target] { showSubPage(target); });
    return label;
}

void SettingsPage::showSubPage(int page) {
    for (int i = 1; i <= 3; ++i)
        subPage(i)->setVisible(i == page);
}

void SettingsPage::placeSubPages() {
    const QPoint topLeft((width() - kSubPageSize.width()) / 2,
                         (height() - kSubPageSize.height()) / 2);
    for (QWidget* page : m_pages)
        page->move(topLeft);
}

void SettingsPage::showStepBoxesAsReadOnly() {
    // The grey of a read-only box, whatever colour the page itself takes from the theme.
    const QColor readOnly = QApplication::palette().color(QPalette::Window);
    for (QLineEdit* box : {m_interval, m_timeout}) {
        box->setReadOnly(true);
        box->setCursor(Qt::ArrowCursor);
        QPalette colours = box->palette();
        colours.setColor(QPalette::Base, readOnly);
        box->setPalette(colours);
    }
}

void SettingsPage::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        showStepBoxesAsReadOnly();
}

void SettingsPage::showValues() {
    for (const OptionField& option : kOptionFields) {
        const QSignalBlocker quiet(check(option.check));
        check(option.check)->setChecked(m_settings.options.*option.working);
    }
    m_interval->setText(QString::number(m_settings.options.recheckMinutes));
    m_timeout->setText(QString::number(m_settings.options.timeoutSeconds()));
}

} // namespace mervantic
