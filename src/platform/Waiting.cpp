#include "platform/Waiting.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace mervantic {

bool tickWaitOver(std::uint32_t start, std::uint32_t now, int ms) {
    if (now < start) {
        // The counter wrapped round since the start.
        const std::uint64_t elapsed = std::uint64_t{now} + (0xFFFFFFFFull - start);
        return elapsed > static_cast<std::uint64_t>(ms);
    }
    const std::uint64_t end = std::uint64_t{start} + static_cast<std::uint64_t>(ms);
    return now > end;
}

void waitMilliseconds(const Clock& clock, int ms) {
    if (ms < 1)
        return;
    const std::uint32_t start = clock.tickCount();
    // A repeating wake-up keeps the blocking event wait from sleeping past the end of the wait.
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(std::clamp(ms, 1, 50));
    do {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    } while (!tickWaitOver(start, clock.tickCount(), ms));
}

} // namespace mervantic
