// Waking from a suspend, as logind says it on the system bus (played on a private bus here).
#include "platform/WakeWatch.h"

#include "EventLoop.h"
#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(WakeWatch, LogindsPrepareForSleepEndingIsAWaking) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    QDBusConnection logind = bus.connection(QStringLiteral("server"));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    WakeWatch watch(bus.connection(QStringLiteral("client")));
    QSignalSpy woke(&watch, &WakeWatch::woke);
    const auto prepareForSleep = [&](bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        logind.send(signal);
    };
    test::settle();
    prepareForSleep(true);
    test::settle();
    EXPECT_EQ(woke.count(), 0);
    prepareForSleep(false);
    ASSERT_TRUE(test::waitUntil([&] { return woke.count() == 1; }));
}

} // namespace
} // namespace mervantic
