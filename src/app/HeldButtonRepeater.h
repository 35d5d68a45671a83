#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QAbstractButton;

namespace mervantic {

// Steps a value while the left mouse button holds a button down: one step at the press, the
// next after a first delay, then one every repeat interval, until the release. The step is 10
// when Ctrl alone was held at the press, else 1. Each step runs from the event loop, so a close
// or a run's event can come between any two steps.
class HeldButtonRepeater final : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstDelayMs = 750;
    static constexpr int kRepeatMs = 50;

    // `step` receives the step size (1 or 10); `released` runs when the button is let go.
    HeldButtonRepeater(QAbstractButton& button, std::function<void(int step)> step,
                       std::function<void()> released);

    // Shortened by tests.
    void setDelays(int firstMs, int repeatMs);
    bool held() const { return m_held; }
    // Ends a hold as a release would (the window closes while the button is held).
    void letGo() { release(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(bool control);
    void release();
    void repeat();

    QAbstractButton& m_button;
    std::function<void(int step)> m_step;
    std::function<void()> m_released;
    QTimer m_timer;
    int m_firstMs = kFirstDelayMs;
    int m_repeatMs = kRepeatMs;
    int m_stepSize = 1;
    bool m_held = false;
};

} // namespace mervantic
