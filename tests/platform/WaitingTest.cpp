#include "platform/Waiting.h"

#include "Fakes.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(Waiting, NothingIsDispatchedForZeroOrNegativeWaits) {
    SystemClock clock;
    for (const int ms : {0, -1, -5000}) {
        bool ran = false;
        QMetaObject::invokeMethod(
            qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
        waitMilliseconds(clock, ms);
        EXPECT_FALSE(ran) << ms;
        QCoreApplication::processEvents();
        EXPECT_TRUE(ran);
    }
}

TEST(Waiting, EventsRunInsideTheWait) {
    SystemClock clock;
    bool ran = false;
    QMetaObject::invokeMethod(
        qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
    const std::uint32_t start = clock.tickCount();
    waitMilliseconds(clock, 30);
    EXPECT_TRUE(ran);
    EXPECT_GE(clock.tickCount() - start, 30u);
}

struct WaitCase {
    std::uint32_t start;
    std::uint32_t now;
    int ms;
    bool over;
};

TEST(Waiting, TheEndOfAWaitIsFoundAcrossTheWrapOfTheTickCounter) {
    const WaitCase cases[] = {
        {1000, 1000, 500, false},
        {1000, 1500, 500, false}, // the end tick itself still waits
        {1000, 1501, 500, true},
        {0xFFFFFF00u, 0xFFFFFFF0u, 500, false},
        {0xFFFFFF00u, 0x00000010u, 100, true},  // wrapped: 16 + 255 > 100
        {0xFFFFFF00u, 0x00000010u, 300, false}, // wrapped, 271 not yet past 300
        {0xFFFFFF00u, 0x00000100u, 300, true},
        {0xFFFFFFFFu, 0x00000000u, 0, false},
    };
    for (const WaitCase& c : cases)
        EXPECT_EQ(tickWaitOver(c.start, c.now, c.ms), c.over)
            << std::hex << c.start << " " << c.now << " " << std::dec << c.ms;
}

TEST(Waiting, AWaitThatStraddlesTheWrapEnds) {
    test::SteppingClock clock(0xFFFFFFFFu - 25, 10);
    waitMilliseconds(clock, 50);
    // start, then -15, -5, +4, +14, +24, +34, +44, +54: the wrap adds nothing to the count
    EXPECT_GE(clock.reads(), 6);
    EXPECT_LE(clock.reads(), 10);
}

} // namespace
} // namespace mervantic
