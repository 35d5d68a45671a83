#pragma once

#include "pop3/RecheckTimer.h"

#include <QObject>
#include <QPointer>

class QPushButton;

namespace mervantic {

class BottomRow;
class HeldButtonRepeater;
class NewMailAlarm;
class Settings;
class SettingsPage;

// The timed re-check's countdown box and the interval's "<" and ">" buttons, and the new-mail
// alarm's label: what the user does with them goes to the re-check timer and the alarm, and
// what those say is shown here.
class TimerControls final : public QObject {
    Q_OBJECT

public:
    TimerControls(RecheckTimer& recheck, NewMailAlarm& alarm, BottomRow& bottomRow,
                  SettingsPage& page, Settings& settings, QObject* parent = nullptr);

    // The countdown box's tool tip as the timer's state gives it now (tool tips being on).
    void applyToolTip();
    // The countdown box and the alarm label in the colours of their state, from the palette.
    void refreshColours();
    HeldButtonRepeater& intervalDown() const { return *m_down; }
    HeldButtonRepeater& intervalUp() const { return *m_up; }
    // Ends any hold of the interval buttons.
    void letGoOfButtons();

    // How long a right press keeps the countdown box disabled; shortened by tests.
    static constexpr int kRightPressGuardMs = 600;
    void setRightPressGuardMs(int ms) { m_rightPressGuardMs = ms; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCountdown(const QString& text, bool on);
    void showToolTip(RecheckTimer::ToolTip tip);
    void light(bool on);
    void alarmShown(bool shown);

    RecheckTimer& m_recheck;
    NewMailAlarm& m_alarm;
    BottomRow& m_bottomRow;
    SettingsPage& m_page;
    Settings& m_settings;
    HeldButtonRepeater* m_down;
    HeldButtonRepeater* m_up;
    int m_rightPressGuardMs = kRightPressGuardMs;
    bool m_lit = false;
    QPointer<QObject> m_box;
};

} // namespace mervantic
