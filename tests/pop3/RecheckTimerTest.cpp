// The timed re-check and the new-mail alarm on injectable timers: ticks are called or made to
// come every few milliseconds, never a minute.
#include "CheckerFixture.h"
#include "ScriptedSocket.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

// A mailbox of one message, after the log-on `script` holds.
Script withOneMessage(Script script, const QByteArray& subject) {
    script.expect("STAT").serve("+OK 1 10\r\n").expect("TOP 1 2");
    script.serve("+OK\r\nSubject: " + subject + "\r\n\r\nbody\r\n.\r\n");
    script.expect("QUIT").serve("+OK\r\n");
    return script;
}

Script oneMessage(const QByteArray& subject = "hello", const QByteArray& user = "alice") {
    return withOneMessage(Script::loggedOn(user), subject);
}

class RecheckTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), 1101);
    }
    RecheckTimer& timer() { return harness.checker.recheck(); }
    // The countdown box's text as last shown.
    QString shown() const {
        return countdown.isEmpty() ? QStringLiteral("<none>") : countdown.last().at(0).toString();
    }
    bool waitForRunEnd() {
        return test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; });
    }

    ScriptedSocket socket;
    CheckerHarness harness{socket};
    QSignalSpy countdown{&harness.checker.recheck(), &RecheckTimer::countdownShown};
    QSignalSpy toolTips{&harness.checker.recheck(), &RecheckTimer::toolTipChanged};
};

TEST_F(RecheckTimerTest, IntervalOneChecksOnEveryTick) {
    harness.options.recheckMinutes = 1;
    timer().toggle();
    EXPECT_TRUE(timer().isOn());
    EXPECT_EQ(shown(), QStringLiteral("1"));
    for (int check = 1; check <= 3; ++check) {
        SCOPED_TRACE(check);
        socket.addScript(1101, Script::emptyMailbox());
        timer().tick();
        EXPECT_EQ(shown(), QStringLiteral("0")); // at the start of the check
        EXPECT_EQ(harness.checker.phase(), RunPhase::Checking);
        EXPECT_TRUE(harness.view.running);
        EXPECT_EQ(harness.view.mailPageSelections, check);
        ASSERT_TRUE(waitForRunEnd());
        EXPECT_EQ(shown(), QStringLiteral("1")); // after it
        EXPECT_EQ(socket.connections(), check);
    }
}

// A server that lists LOGIN-DELAY is left alone by the timed check until its delay has passed:
// the log says so and its mail of the last check stays listed, the other accounts are checked.
// "Check Mail" pressed by the user still checks it.
TEST_F(RecheckTimerTest, AServersLoginDelayKeepsTheTimedCheckAwayUntilItHasPassed) {
    harness.addAccount(QStringLiteral("Other"), QStringLiteral("bob"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 1102);
    const auto delayed = [](const QByteArray& subject) {
        Script script;
        script.serve("+OK ready\r\n")
            .expect("CAPA")
            .serve("+OK\r\nTOP\r\nUSER\r\nLOGIN-DELAY 300\r\n.\r\n")
            .expect("USER alice")
            .serve("+OK\r\n")
            .expect("PASS secret")
            .serve("+OK\r\n");
        return withOneMessage(script, subject);
    };
    const auto bobEmpty = [] {
        return Script::loggedOn("bob")
            .expect("STAT")
            .serve("+OK 0 0\r\n")
            .expect("QUIT")
            .serve("+OK\r\n");
    };
    harness.options.recheckMinutes = 1;
    socket.addScript(1101, delayed("first"));
    socket.addScript(1102, bobEmpty());
    ASSERT_TRUE(harness.runCheck());
    ASSERT_EQ(harness.rowTexts(3), (QStringList{"first", "(no mail)"}));
    harness.mail.foldIntoMemory();

    // One minute on: the timed check leaves alice alone and shows her mail of the last check.
    harness.clock.advance(60 * 1000);
    socket.addScript(1102, bobEmpty());
    timer().toggle();
    timer().tick();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(socket.connections(), 3);
    EXPECT_TRUE(harness.view.lines().contains(QStringLiteral(
        "..Left Alone By The Timed Check: The Server Allows A Log-On Every 5 Minutes "
        "(LOGIN-DELAY); Its Mail Of The Last Check Is Shown")));
    EXPECT_EQ(harness.rowTexts(3), (QStringList{"first", "(no mail)"}));
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1"));

    // Five minutes after the log-on it is checked again.
    harness.clock.advance(4 * 60 * 1000);
    socket.addScript(1101, delayed("second"));
    socket.addScript(1102, bobEmpty());
    timer().tick();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(socket.connections(), 5);
    EXPECT_EQ(harness.rowTexts(3), (QStringList{"second", "(no mail)"}));

    // The user's own check does not wait.
    socket.addScript(1101, delayed("third"));
    socket.addScript(1102, bobEmpty());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.rowTexts(3), (QStringList{"third", "(no mail)"}));
    EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
}

// An account the user checks by hand only is left out of every timed check, its mail of the
// last check shown; "Check Mail" checks it as always.
TEST_F(RecheckTimerTest, AnAccountCheckedByHandOnlyIsLeftOutOfTimedChecks) {
    harness.addAccount(QStringLiteral("Other"), QStringLiteral("bob"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 1102);
    harness.connections.setHandChecksOnly(
        {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("1101")}, true);
    harness.options.recheckMinutes = 1;
    socket.addScript(1101, oneMessage("by hand"));
    socket.addScript(1102, oneMessage("bob's", "bob"));
    ASSERT_TRUE(harness.runCheck());
    ASSERT_EQ(harness.rowTexts(3), (QStringList{"by hand", "bob's"}));
    harness.mail.foldIntoMemory();

    for (int minute = 1; minute <= 2; ++minute) {
        SCOPED_TRACE(minute);
        socket.addScript(1102, oneMessage("bob's", "bob"));
        if (minute == 1)
            timer().toggle();
        timer().tick();
        ASSERT_TRUE(waitForRunEnd());
        EXPECT_EQ(socket.connections(), 2 + minute); // bob only
        EXPECT_TRUE(harness.view.lines().contains(
            QStringLiteral("..Left Alone By The Timed Check: This Account Is Checked By Hand "
                           "Only; Its Mail Of The Last Check Is Shown")));
        EXPECT_EQ(harness.rowTexts(3), (QStringList{"by hand", "bob's"}));
    }
    EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
}

TEST_F(RecheckTimerTest, TicksCountTheMinutesAndAreHeldWhileARunKeepsTheProgramBusy) {
    harness.options.recheckMinutes = 5;
    timer().toggle();
    timer().tick();
    timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("3"));
    // A run of the user's: its ticks count nothing, and it ends with a fresh interval.
    Script slow = Script::loggedOn();
    slow.expect("STAT").pause().serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, slow);
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.paused(); }));
    timer().tick();
    EXPECT_EQ(timer().elapsed(), 0);
    socket.resume();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(shown(), QStringLiteral("5"));
    timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("4"));
    // Busy without a check (the delete run's confirmation open): the count is held.
    harness.options.deleteEnabled = true;
    harness.mail.removeAll();
    harness.mail.addMessageRow(QString(), QStringLiteral("u"), QStringLiteral("p"),
                               QStringLiteral("a@b"), QStringLiteral("s"), QString(),
                               QStringLiteral("127.0.0.1"), QStringLiteral("1101"),
                               QStringLiteral("<1@b>"), QString());
    harness.mail.checkItem(1);
    harness.view.holdAnswers = true;
    harness.checker.deleteMailButton();
    ASSERT_EQ(harness.checker.phase(), RunPhase::Confirming);
    timer().tick();
    EXPECT_EQ(timer().elapsed(), 1);
    harness.view.answerPending(false);
    EXPECT_EQ(harness.checker.phase(), RunPhase::Idle);
    timer().tick();
    EXPECT_EQ(timer().elapsed(), 2);
}

// A check that halts, however early, counts the minutes to the next one from its end, as a
// completed one does.
TEST_F(RecheckTimerTest, AHaltedCheckStartsTheIntervalAfresh) {
    harness.options.recheckMinutes = 5;
    harness.accounts.clear(); // "No Usernames Are Configured."
    timer().toggle();
    timer().tick();
    timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("3"));
    harness.checker.checkOnOpen();
    EXPECT_EQ(harness.view.messages,
              QStringList{QStringLiteral("Process Halted: No Usernames Are Configured.")});
    EXPECT_EQ(timer().elapsed(), 0);
    EXPECT_EQ(shown(), QStringLiteral("5"));
}

TEST_F(RecheckTimerTest, OffLineWithIdleIfOfflineTheCheckWaitsOneMinuteShort) {
    harness.options.recheckMinutes = 2;
    harness.options.idleIfOffline = true;
    timer().toggle();
    ASSERT_EQ(toolTips.last().at(0).value<RecheckTimer::ToolTip>(), RecheckTimer::ToolTip::On);
    timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("1"));
    harness.connectivity.setAnswers({false});
    for (int minute = 0; minute < 3; ++minute) {
        timer().tick();
        EXPECT_EQ(shown(), QStringLiteral("Idle"));
        EXPECT_EQ(timer().elapsed(), 1);
    }
    EXPECT_EQ(socket.connections(), 0);
    EXPECT_EQ(toolTips.last().at(0).value<RecheckTimer::ToolTip>(), RecheckTimer::ToolTip::Idle);
    const qsizetype tipsWhileIdle = toolTips.size();
    // On-line again: the next tick checks; the idle tool tip stays until a tool tip is set.
    harness.connectivity.setAnswers({true});
    socket.addScript(1101, Script::emptyMailbox());
    timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("0"));
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(socket.connections(), 1);
    EXPECT_EQ(toolTips.size(), tipsWhileIdle);
    timer().stepInterval(1);
    EXPECT_EQ(toolTips.last().at(0).value<RecheckTimer::ToolTip>(), RecheckTimer::ToolTip::On);
}

TEST_F(RecheckTimerTest, ACheckSwitchesTheTimerOnWhenAutoStartIsChosen) {
    harness.options.autoStartTimer = true;
    harness.options.recheckMinutes = 30;
    socket.addScript(1101, Script::emptyMailbox());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(timer().isOn());
    EXPECT_EQ(shown(), QStringLiteral("30"));
    EXPECT_EQ(toolTips.last().at(0).value<RecheckTimer::ToolTip>(), RecheckTimer::ToolTip::On);
    // Without the option a check leaves it off.
    ScriptedSocket scripted;
    CheckerHarness other(scripted);
    other.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                     QStringLiteral("pop.example.org"), 1101);
    scripted.addScript(1101, Script::emptyMailbox());
    ASSERT_TRUE(other.runCheck());
    EXPECT_FALSE(other.checker.recheck().isOn());
}

TEST_F(RecheckTimerTest, TheSwitchTurnsItOnAndOffButNotWithAnIntervalBelowOne) {
    harness.options.recheckMinutes = 0;
    timer().toggle();
    EXPECT_FALSE(timer().isOn());
    EXPECT_EQ(harness.view.messages,
              QStringList{QStringLiteral("Your Timer Setting Should Be Set Greater\n"
                                         "Than 0 Min. To Use Timed Re-Check For Mail.")});
    harness.options.recheckMinutes = 7;
    timer().toggle();
    EXPECT_TRUE(timer().isOn());
    EXPECT_EQ(countdown.last().at(0).toString(), QStringLiteral("7"));
    EXPECT_TRUE(countdown.last().at(1).toBool());
    timer().tick();
    timer().toggle();
    EXPECT_FALSE(timer().isOn());
    EXPECT_EQ(countdown.last().at(0).toString(), QString());
    EXPECT_FALSE(countdown.last().at(1).toBool());
    EXPECT_EQ(toolTips.last().at(0).value<RecheckTimer::ToolTip>(), RecheckTimer::ToolTip::Off);
    timer().toggle(); // on again: counting starts afresh
    EXPECT_EQ(timer().elapsed(), 0);
}

TEST_F(RecheckTimerTest, TheIntervalStaysWithinItsLimitsAndALoweredOneChecksAtOnce) {
    harness.options.recheckMinutes = 9995;
    timer().stepInterval(10);
    EXPECT_EQ(harness.options.recheckMinutes, 9999);
    harness.options.recheckMinutes = 5;
    timer().stepInterval(-10);
    EXPECT_EQ(harness.options.recheckMinutes, 1);

    harness.options.recheckMinutes = 10;
    timer().toggle();
    for (int minute = 0; minute < 4; ++minute)
        timer().tick();
    EXPECT_EQ(shown(), QStringLiteral("6"));
    timer().stepInterval(-3); // while held: the box follows
    EXPECT_EQ(shown(), QStringLiteral("3"));
    timer().intervalButtonReleased(false); // the up button never starts a check
    EXPECT_EQ(socket.connections(), 0);
    timer().stepInterval(-4); // 3 minutes, 4 already counted
    socket.addScript(1101, Script::emptyMailbox());
    timer().intervalButtonReleased(true);
    EXPECT_EQ(harness.checker.phase(), RunPhase::Checking);
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(socket.connections(), 1);
    EXPECT_EQ(shown(), QStringLiteral("3"));
}

TEST_F(RecheckTimerTest, TheTimerTicksOnItsOwn) {
    harness.options.recheckMinutes = 2;
    timer().setTickInterval(5);
    socket.addScript(1101, Script::emptyMailbox());
    timer().toggle();
    ASSERT_TRUE(test::waitUntil([&] { return socket.connections() == 1; }));
    ASSERT_TRUE(waitForRunEnd());
}

// Waking from a suspend (or the network coming back) counts the minutes the ticks missed: a
// check whose time has come starts at once; one whose time has not shows how long is left.
TEST_F(RecheckTimerTest, WakingUpCountsTheMinutesThatPassedAsleep) {
    struct Case {
        const char* name;
        int asleepMinutes;
        bool online;
        bool idleIfOffline;
        bool checks;
        QString shows;
    };
    const Case cases[] = {
        {"asleep longer than the interval", 45, true, false, true, QStringLiteral("0")},
        {"asleep exactly the interval", 30, true, false, true, QStringLiteral("0")},
        {"asleep a while", 10, true, false, false, QStringLiteral("20")},
        {"a few seconds", 0, true, false, false, QStringLiteral("<none>")},
        {"due but off-line, idling", 45, false, true, false, QStringLiteral("Idle")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 1101);
        scripted.addScript(1101, Script::emptyMailbox());
        run.options.recheckMinutes = 30;
        run.options.idleIfOffline = c.idleIfOffline;
        RecheckTimer& recheck = run.checker.recheck();
        recheck.toggle();
        QSignalSpy shownNow(&recheck, &RecheckTimer::countdownShown);
        run.connectivity.setAnswers({c.online});
        run.clock.advance(static_cast<std::uint32_t>(c.asleepMinutes) * 60000 + 5000);
        recheck.wokeUp();
        EXPECT_EQ(scripted.connections() > 0 || run.checker.phase() == RunPhase::Checking,
                  c.checks);
        EXPECT_EQ(shownNow.isEmpty() ? QStringLiteral("<none>") : shownNow.last().at(0).toString(),
                  c.shows);
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
    }
}

// New mail sounds once, or until the label is clicked; mail already seen sounds nothing.
TEST_F(RecheckTimerTest, NewMailBeepsOnceOrUntilTheAlarmIsStopped) {
    NewMailAlarm& alarm = harness.checker.alarm();
    alarm.setIntervals(1000000, 10);
    QSignalSpy shownSpy(&alarm, &NewMailAlarm::shown);
    QSignalSpy litSpy(&alarm, &NewMailAlarm::lit);
    harness.options.soundOnNewMail = true;
    socket.addScript(1101, oneMessage());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.beeper.beeps(), 1);
    EXPECT_FALSE(alarm.isRunning());

    harness.options.continuousAlarm = true;
    harness.mail.markAllSeen();
    socket.addScript(1101, oneMessage());
    ASSERT_TRUE(harness.runCheck()); // nothing new: no beep, no alarm
    EXPECT_EQ(harness.beeper.beeps(), 1);
    EXPECT_FALSE(alarm.isRunning());

    socket.addScript(1101, oneMessage("news"));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.beeper.beeps(), 2);
    EXPECT_TRUE(alarm.isRunning());
    EXPECT_TRUE(shownSpy.last().at(0).toBool());
    for (int tick = 1; tick <= 3; ++tick) {
        alarm.tick();
        EXPECT_EQ(harness.beeper.beeps(), 2 + tick);
        EXPECT_TRUE(litSpy.last().at(0).toBool());
        ASSERT_TRUE(test::waitUntil([&] { return !litSpy.last().at(0).toBool(); }));
    }
    alarm.stop();
    EXPECT_FALSE(alarm.isRunning());
    EXPECT_FALSE(shownSpy.last().at(0).toBool());
}

} // namespace
} // namespace mervantic
