#pragma once

#include "platform/Beeper.h"

#include <QObject>
#include <QTimer>

namespace mervantic {

// The continuous new-mail alarm: a beep every five seconds, the "Alarm" label lit for a moment
// with each, until the user clicks the label or switches the alarm off.
class NewMailAlarm : public QObject {
    Q_OBJECT

public:
    static constexpr int kPeriodMs = 5000;
    static constexpr int kFlashMs = 750;

    explicit NewMailAlarm(Beeper& beeper, QObject* parent = nullptr);

    bool isRunning() const { return m_period.isActive(); }
    void start();
    // A click on the "Alarm" label, or the continuous alarm switched off.
    void stop();
    void tick();

    // Shortened by tests.
    void setIntervals(int periodMs, int flashMs);

Q_SIGNALS:
    void shown(bool visible);
    // The label in the colours that catch the eye, or back in its own.
    void lit(bool on);

private:
    Beeper& m_beeper;
    QTimer m_period;
    QTimer m_flash;
};

} // namespace mervantic
