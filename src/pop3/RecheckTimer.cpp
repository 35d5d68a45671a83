#include "pop3/RecheckTimer.h"

#include <algorithm>

namespace mervantic {

RecheckTimer::RecheckTimer(Context context, QObject* parent)
    : QObject(parent)
    , m_context(context) {
    m_ticks.setInterval(kMinuteMs);
    connect(&m_ticks, &QTimer::timeout, this, &RecheckTimer::tick);
}

void RecheckTimer::countFromNow() {
    m_elapsed = 0;
    m_countFrom = m_context.clock.now();
}

void RecheckTimer::tick() {
    if (m_context.runs.checking()) {
        countFromNow();
        return;
    }
    if (!m_context.runs.idle())
        return;
    ++m_elapsed;
    const int minutes = interval();
    if (m_context.options.idleIfOffline && m_elapsed >= minutes &&
        !m_context.connectivity.isOnline()) {
        m_elapsed = minutes - 1;
        m_countFrom = m_context.clock.now().addSecs(-60LL * m_elapsed);
        Q_EMIT countdownShown(QStringLiteral("Idle"), isOn());
        Q_EMIT toolTipChanged(ToolTip::Idle);
        return;
    }
    if (m_elapsed >= minutes) {
        countFromNow();
        Q_EMIT countdownShown(QStringLiteral("0"), isOn());
        Q_EMIT checkDue();
        return;
    }
    showMinutesLeft();
}

void RecheckTimer::showMinutesLeft() {
    Q_EMIT countdownShown(QString::number(interval() - m_elapsed), isOn());
}

void RecheckTimer::switchOn() {
    countFromNow();
    m_ticks.start();
    Q_EMIT countdownShown(QString::number(interval()), true);
    Q_EMIT toolTipChanged(ToolTip::On);
}

void RecheckTimer::toggle() {
    if (isOn()) {
        countFromNow();
        m_ticks.stop();
        Q_EMIT countdownShown(QString(), false);
        Q_EMIT toolTipChanged(ToolTip::Off);
        return;
    }
    if (interval() >= kFewestRecheckMinutes) {
        switchOn();
        return;
    }
    m_context.view.showMessage(QStringLiteral("Your Timer Setting Should Be Set Greater\n"
                                              "Than 0 Min. To Use Timed Re-Check For Mail."));
}

void RecheckTimer::autoStart() {
    if (m_context.options.autoStartTimer && interval() >= kFewestRecheckMinutes && !isOn())
        switchOn();
}

void RecheckTimer::restart() {
    countFromNow();
}

void RecheckTimer::runEnded() {
    countFromNow();
    if (isOn())
        Q_EMIT countdownShown(QString::number(interval()), true);
}

void RecheckTimer::stepInterval(int minutes) {
    int& interval = m_context.options.recheckMinutes;
    interval = std::clamp(interval + minutes, kFewestRecheckMinutes, kMostRecheckMinutes);
    Q_EMIT intervalShown(interval);
    if (isOn()) {
        showMinutesLeft();
        Q_EMIT toolTipChanged(ToolTip::On);
    }
}

void RecheckTimer::intervalButtonReleased(bool down) {
    if (!isOn())
        return;
    if (down && m_elapsed >= interval())
        tick();
    if (isOn() && m_context.runs.idle())
        showMinutesLeft();
    Q_EMIT toolTipChanged(ToolTip::On);
}

void RecheckTimer::wokeUp() {
    if (!isOn() || !m_countFrom.isValid())
        return;
    const qint64 minutes = m_countFrom.secsTo(m_context.clock.now()) / 60;
    if (minutes <= m_elapsed)
        return;
    // The ticks that did not come, as one: a check due starts now, holds and "Idle If Offline"
    // apply as at any tick.
    m_elapsed = static_cast<int>(std::min<qint64>(minutes, kMostRecheckMinutes)) - 1;
    tick();
}

void RecheckTimer::intervalReset() {
    m_context.options.recheckMinutes = kDefaultRecheckMinutes;
    Q_EMIT intervalShown(interval());
    // As after a step down: minutes the default has already reached start the check at once.
    intervalButtonReleased(true);
}

} // namespace mervantic
