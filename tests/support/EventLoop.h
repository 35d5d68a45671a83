#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace mervantic::test {

// Dispatches events until `done` holds or `timeoutMs` of real time have passed. Returns `done`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Dispatches whatever is pending, a few rounds.
inline void settle(int rounds = 5) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace mervantic::test
