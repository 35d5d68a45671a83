// The desktop's notification service, played on a private bus: one notification replaced by the
// next, its actions reported, and its text sent as markup only to a service that reads markup.
#include "platform/DesktopNotifications.h"

#include "EventLoop.h"
#include "FakeNotificationServer.h"
#include "PrivateBus.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

TEST(DesktopNotifications, TheTextIsMarkupOnlyForAServiceThatReadsMarkup) {
    const QString text = QStringLiteral("1 New Mail Item\n<b>Ann</b> & Co: <img src=x>");
    for (const bool markup : {true, false}) {
        SCOPED_TRACE(markup ? "reads markup" : "plain text");
        test::PrivateBus bus;
        ASSERT_TRUE(bus.start()) << bus.why().toStdString();
        test::FakeNotificationServer server(bus.connection(QStringLiteral("server")), markup);
        ASSERT_TRUE(server.registered());
        DesktopNotifications notifications(bus.connection(QStringLiteral("client")));
        ASSERT_TRUE(notifications.available());
        ASSERT_TRUE(notifications.notify(QStringLiteral("Mervantic"), text));
        ASSERT_TRUE(test::waitUntil([&] { return server.received().size() == 1; }));
        EXPECT_EQ(server.received().first().summary, QStringLiteral("Mervantic"));
        EXPECT_EQ(server.received().first().body,
                  markup ? QStringLiteral("1 New Mail Item\n&lt;b&gt;Ann&lt;/b&gt; &amp; Co: "
                                          "&lt;img src=x&gt;")
                         : text);
        EXPECT_EQ(server.received().first().actions, (QStringList{"open", "Open", "seen", "Seen"}));
    }
}

TEST(DesktopNotifications, EachReplacesTheLastAndItsActionsAreReported) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    test::FakeNotificationServer server(bus.connection(QStringLiteral("server")), false);
    DesktopNotifications notifications(bus.connection(QStringLiteral("client")));
    QSignalSpy opened(&notifications, &DesktopNotifications::openChosen);
    QSignalSpy seen(&notifications, &DesktopNotifications::seenChosen);
    ASSERT_TRUE(notifications.notify(QStringLiteral("Mervantic"), QStringLiteral("first")));
    ASSERT_TRUE(test::waitUntil([&] { return server.received().size() == 1; }));
    // Asked for one after the other, perhaps before the first one's number came back: each
    // waits for it, the newest goes, and each replaces the first.
    ASSERT_TRUE(notifications.notify(QStringLiteral("Mervantic"), QStringLiteral("second")));
    ASSERT_TRUE(notifications.notify(QStringLiteral("Mervantic"), QStringLiteral("third")));
    ASSERT_TRUE(
        test::waitUntil([&] { return server.received().last().body == QStringLiteral("third"); }));
    EXPECT_EQ(server.received().at(0).replaces, 0u);
    for (qsizetype i = 1; i < server.received().size(); ++i)
        EXPECT_EQ(server.received().at(i).replaces, server.received().at(0).id);

    const uint id = server.received().last().id;
    server.choose(id, QStringLiteral("seen"));
    ASSERT_TRUE(test::waitUntil([&] { return seen.count() == 1; }));
    server.choose(id, QStringLiteral("open"));
    ASSERT_TRUE(test::waitUntil([&] { return opened.count() == 1; }));
    // Another program's notification is none of this one's business.
    server.choose(id + 100, QStringLiteral("open"));
    test::settle();
    EXPECT_EQ(opened.count(), 1);
}

// A busy desktop may hand the program the user's click on a notification before the answer that
// gives the notification's number: the click is kept until the number comes, not dropped.
TEST(DesktopNotifications, AnActionThatComesBeforeTheNotificationsNumberIsNotLost) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    test::FakeNotificationServer server(bus.connection(QStringLiteral("server")), false);
    server.chooseOnArrival = QStringLiteral("seen");
    DesktopNotifications notifications(bus.connection(QStringLiteral("client")));
    QSignalSpy seen(&notifications, &DesktopNotifications::seenChosen);
    ASSERT_TRUE(notifications.notify(QStringLiteral("Mervantic"), QStringLiteral("first")));
    EXPECT_TRUE(test::waitUntil([&] { return seen.count() == 1; }, 5000));
    // Another program's notification, chosen while ours was on its way, is still not ours.
    server.chooseOnArrival.clear();
    server.choose(server.received().last().id + 100, QStringLiteral("seen"));
    test::settle();
    EXPECT_EQ(seen.count(), 1);
}

TEST(DesktopNotifications, WithoutAServiceNothingIsSent) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.start()) << bus.why().toStdString();
    DesktopNotifications notifications(bus.connection(QStringLiteral("client")));
    EXPECT_FALSE(notifications.available());
    EXPECT_FALSE(notifications.notify(QStringLiteral("Mervantic"), QStringLiteral("text")));
}

} // namespace
} // namespace mervantic
