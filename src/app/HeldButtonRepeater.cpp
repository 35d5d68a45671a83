#include "app/HeldButtonRepeater.h"

#include <QAbstractButton>
#include <QMouseEvent>

namespace mervantic {

HeldButtonRepeater::HeldButtonRepeater(QAbstractButton& button, std::function<void(int step)> step,
                                       std::function<void()> released)
    : QObject(&button)
    , m_button(button)
    , m_step(std::move(step))
    , m_released(std::move(released)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HeldButtonRepeater::repeat);
    button.installEventFilter(this);
}

void HeldButtonRepeater::setDelays(int firstMs, int repeatMs) {
    m_firstMs = firstMs;
    m_repeatMs = repeatMs;
}

bool HeldButtonRepeater::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_button)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_button.isEnabled())
            press(mouse->modifiers() == Qt::ControlModifier);
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            release();
        break;
    case QEvent::Hide:
    case QEvent::EnabledChange:
        // A button that goes away while held lets go.
        if (m_held && (!m_button.isVisible() || !m_button.isEnabled()))
            release();
        break;
    default:
        break;
    }
    return false;
}

void HeldButtonRepeater::press(bool control) {
    m_held = true;
    m_stepSize = control ? 10 : 1;
    m_step(m_stepSize);
    m_timer.start(m_firstMs);
}

void HeldButtonRepeater::repeat() {
    if (!m_held)
        return;
    m_step(m_stepSize);
    m_timer.start(m_repeatMs);
}

void HeldButtonRepeater::release() {
    if (!m_held)
        return;
    m_held = false;
    m_timer.stop();
    m_released();
}

} // namespace mervantic
