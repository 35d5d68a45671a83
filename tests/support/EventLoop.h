#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace mervantic::test {

// Dispatches events until `done` holds or `timeoutMs` of real time have passed. Returns `done`.
// The condition is looked at after every event and at least every `checkMs`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000, int checkMs = 5) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(checkMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Dispatches whatever is pending, a few rounds.
inline void settle(int rounds = 5) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace mervantic::test
