#include "pop3/NewMailAlarm.h"

namespace mervantic {

NewMailAlarm::NewMailAlarm(Beeper& beeper, QObject* parent)
    : QObject(parent)
    , m_beeper(beeper) {
    m_period.setInterval(kPeriodMs);
    m_flash.setInterval(kFlashMs);
    m_flash.setSingleShot(true);
    connect(&m_period, &QTimer::timeout, this, &NewMailAlarm::tick);
    connect(&m_flash, &QTimer::timeout, this, [this] { Q_EMIT lit(false); });
}

void NewMailAlarm::setIntervals(int periodMs, int flashMs) {
    m_period.setInterval(periodMs);
    m_flash.setInterval(flashMs);
}

void NewMailAlarm::start() {
    if (!m_period.isActive())
        m_period.start();
    Q_EMIT shown(true);
}

void NewMailAlarm::stop() {
    m_period.stop();
    if (m_flash.isActive()) {
        m_flash.stop();
        Q_EMIT lit(false);
    }
    Q_EMIT shown(false);
}

void NewMailAlarm::tick() {
    Q_EMIT lit(true);
    m_beeper.beep();
    m_flash.start();
}

} // namespace mervantic
