#include "app/TimerControls.h"

#include "app/AlarmColours.h"
#include "app/BottomRow.h"
#include "app/ClickableLabel.h"
#include "app/HeldButtonRepeater.h"
#include "app/SettingsPage.h"
#include "pop3/NewMailAlarm.h"
#include "store/Settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace mervantic {

TimerControls::TimerControls(RecheckTimer& recheck, NewMailAlarm& alarm, BottomRow& bottomRow,
                             SettingsPage& page, Settings& settings, QObject* parent)
    : QObject(parent)
    , m_recheck(recheck)
    , m_alarm(alarm)
    , m_bottomRow(bottomRow)
    , m_page(page)
    , m_settings(settings) {
    connect(&recheck, &RecheckTimer::countdownShown, this, &TimerControls::showCountdown);
    connect(&recheck, &RecheckTimer::toolTipChanged, this, &TimerControls::showToolTip);
    connect(&recheck, &RecheckTimer::intervalShown, this,
            [this](int minutes) { m_page.intervalBox()->setText(QString::number(minutes)); });
    m_box = bottomRow.recheckBox();
    bottomRow.recheckBox()->installEventFilter(this);
    // Until the first showing sets the tool tips, the box carries the one it was designed with.
    bottomRow.recheckBox()->setToolTip(
        QStringLiteral("Off- Timed Re-Check For Mail (dbl-click on/off)"));

    m_down = new HeldButtonRepeater(
        *page.intervalDown(), [this](int step) { m_recheck.stepInterval(-step); },
        [this] { m_recheck.intervalButtonReleased(true); });
    m_up = new HeldButtonRepeater(
        *page.intervalUp(), [this](int step) { m_recheck.stepInterval(step); },
        [this] { m_recheck.intervalButtonReleased(false); });

    connect(&alarm, &NewMailAlarm::shown, bottomRow.alarm(), &QWidget::setVisible);
    connect(&alarm, &NewMailAlarm::shown, this, &TimerControls::alarmShown);
    connect(&alarm, &NewMailAlarm::lit, this, &TimerControls::light);
    connect(bottomRow.alarmLabel(), &ClickableLabel::clicked, &alarm, &NewMailAlarm::stop);
    showCountdown(QString(), false);
    light(false);
}

void TimerControls::letGoOfButtons() {
    m_down->letGo();
    m_up->letGo();
}

bool TimerControls::eventFilter(QObject* watched, QEvent* event) {
    // The box is known by identity alone: it and its row may be going away already.
    if (m_box.isNull() || watched != m_box.data())
        return false;
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_recheck.toggle();
        m_bottomRow.menuButton()->setFocus();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        // The box's own context menu has nothing to offer here.
        QLineEdit* box = m_bottomRow.recheckBox();
        box->setEnabled(false);
        QTimer::singleShot(m_rightPressGuardMs, box, [box] { box->setEnabled(true); });
        return true;
    }
    return false;
}

void TimerControls::showCountdown(const QString& text, bool on) {
    QLineEdit* box = m_bottomRow.recheckBox();
    box->setText(text);
    QPalette colours = QApplication::palette(box);
    if (!on)
        colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    box->setPalette(colours);
}

void TimerControls::showToolTip(RecheckTimer::ToolTip tip) {
    if (m_settings.options.noToolTips)
        return;
    QString text;
    switch (tip) {
    case RecheckTimer::ToolTip::Off:
        text = QStringLiteral("Off - Timed Re-Check For Mail (dbl-click on/off)");
        break;
    case RecheckTimer::ToolTip::On:
        text = QStringLiteral("On - Minutes Until Next Timed Re-Check For Mail - Interval Set = ") +
               QString::number(m_recheck.interval()) + QStringLiteral(" (dbl-click on/off)");
        break;
    case RecheckTimer::ToolTip::Idle:
        text = QStringLiteral("Timed Re-Check Idle Until Connected To Internet");
        break;
    }
    m_bottomRow.recheckBox()->setToolTip(text);
}

void TimerControls::applyToolTip() {
    showToolTip(m_recheck.isOn() ? RecheckTimer::ToolTip::On : RecheckTimer::ToolTip::Off);
}

void TimerControls::refreshColours() {
    showCountdown(m_bottomRow.recheckBox()->text(), m_recheck.isOn());
    light(m_lit);
}

void TimerControls::light(bool on) {
    m_lit = on;
    ClickableLabel* label = m_bottomRow.alarmLabel();
    QPalette colours = QApplication::palette(label);
    // Lit, the label must be seen from across the room: colours that stand out from the window.
    const AlarmColours lit = AlarmColours::of(colours);
    colours.setColor(QPalette::Window, on ? lit.background : colours.color(QPalette::Button));
    colours.setColor(QPalette::WindowText, on ? lit.text : colours.color(QPalette::ButtonText));
    label->setPalette(colours);
}

void TimerControls::alarmShown(bool shown) {
    // While the alarm runs, the desktop is asked to draw the user to the window (its urgency
    // hint), wherever the window is.
    if (shown)
        QApplication::alert(m_bottomRow.window(), 0);
}

} // namespace mervantic
