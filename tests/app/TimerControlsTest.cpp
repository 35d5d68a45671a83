// The countdown box, the interval's step buttons and the alarm label as a user meets them, and
// a timed check against a real Dovecot.
#include "app/TimerControls.h"

#include "DovecotServer.h"
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/AlarmColours.h"
#include "app/BottomRow.h"
#include "app/ClickableLabel.h"
#include "app/HeldButtonRepeater.h"
#include "app/ProgramIcon.h"
#include "mail/MailList.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

class TimerControlsTest : public test::ProgramFixture {
protected:
    QLineEdit* countdown() { return find<QLineEdit>("Text10"); }
    RecheckTimer& recheck() { return program->checker().recheck(); }
};

TEST_F(TimerControlsTest, ADoubleClickSwitchesTheCountdownOnAndOffAndLeavesTheFocusOnMenu) {
    record.recheckMinutes = 45;
    start();
    EXPECT_EQ(countdown()->toolTip(),
              QStringLiteral("Off - Timed Re-Check For Mail (dbl-click on/off)"));
    QTest::mouseDClick(countdown(), Qt::LeftButton);
    EXPECT_TRUE(recheck().isOn());
    EXPECT_EQ(countdown()->text(), QStringLiteral("45"));
    EXPECT_EQ(countdown()->toolTip(),
              QStringLiteral("On - Minutes Until Next Timed Re-Check For Mail - Interval Set = 45 "
                             "(dbl-click on/off)"));
    EXPECT_EQ(window().focusWidget(), find<QWidget>("Command8"));
    const QColor onColour = countdown()->palette().color(QPalette::Base);
    QTest::mouseDClick(countdown(), Qt::LeftButton);
    EXPECT_FALSE(recheck().isOn());
    EXPECT_EQ(countdown()->text(), QString());
    EXPECT_NE(countdown()->palette().color(QPalette::Base), onColour);

    // A right press disables the box for a moment, so that its own menu does not open.
    window().timerControls().setRightPressGuardMs(20);
    QTest::mousePress(countdown(), Qt::RightButton);
    EXPECT_FALSE(countdown()->isEnabled());
    ASSERT_TRUE(test::waitUntil([this] { return countdown()->isEnabled(); }));
}

TEST_F(TimerControlsTest, TheIntervalButtonsStepWhileHeldToTheirLimits) {
    record.recheckMinutes = 30;
    start();
    window().selectTab(Page::Settings);
    QLineEdit* interval = find<QLineEdit>("Text6");
    struct Hold {
        const char* button;
        Qt::KeyboardModifiers modifiers;
        const char* limit;
    };
    window().timerControls().intervalUp().setDelays(0, 0);
    window().timerControls().intervalDown().setDelays(0, 0);
    for (const Hold h :
         {Hold{"Command11", Qt::ControlModifier, "9999"},
          Hold{"Command10", Qt::ControlModifier, "1"}, Hold{"Command11", Qt::NoModifier, "40"},
          Hold{"Command10", Qt::NoModifier, "1"}}) {
        SCOPED_TRACE(h.button);
        QPushButton* button = find<QPushButton>(h.button);
        QTest::mousePress(button, Qt::LeftButton, h.modifiers);
        ASSERT_TRUE(test::waitUntil([&] { return interval->text() == QLatin1String(h.limit); }));
        QTest::mouseRelease(button, Qt::LeftButton, h.modifiers);
        EXPECT_EQ(program->settings().options.recheckMinutes, interval->text().toInt());
    }
    // A click shorter than the first delay moves exactly one step.
    window().timerControls().intervalUp().setDelays(HeldButtonRepeater::kFirstDelayMs,
                                                    HeldButtonRepeater::kRepeatMs);
    QTest::mouseClick(find<QPushButton>("Command11"), Qt::LeftButton);
    EXPECT_EQ(interval->text(), QStringLiteral("2"));
}

TEST_F(TimerControlsTest, ClosingWhileAnIntervalButtonIsHeldSavesTheIntervalShown) {
    start();
    window().selectTab(Page::Settings);
    window().timerControls().intervalUp().setDelays(5, 5);
    QTest::mousePress(find<QPushButton>("Command11"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([this] { return find<QLineEdit>("Text6")->text().toInt() >= 35; }));
    ASSERT_TRUE(window().close());
    EXPECT_FALSE(window().timerControls().intervalUp().held());
    const auto saved = SettingsFile::read(settingsFile());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->recheckMinutes, find<QLineEdit>("Text6")->text().toInt());
}

// A timed check against a real server: new mail beeps once; with the continuous alarm the label
// flashes and beeps until it is clicked; a check that finds nothing new stays silent.
TEST_F(TimerControlsTest, ATimedCheckFindsNewMailAndSoundsTheAlarm) {
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning()) << server.why().toStdString();
    const QString user = QStringLiteral("timed");
    server.addUser(user, QStringLiteral("pw"));
    const auto deliver = [&](int n) {
        server.deliver(user, "From: a@example.org\r\nSubject: Message " + QByteArray::number(n) +
                                 "\r\nMessage-ID: <" + QByteArray::number(n) +
                                 "@timed.example.org>\r\n\r\nbody\r\n");
    };
    deliver(1);
    accounts.append({QStringLiteral("Real"), user, QStringLiteral("127.0.0.1"),
                     QString::number(server.port()), AccountKey::make(1, QStringLiteral("pw")),
                     false});
    record.recheckMinutes = 1;
    record.soundOnNewMail = 1;
    ClientSocket realSocket;
    SystemClock realClock;
    network = &realSocket;
    networkClock = &realClock;
    start();
    MailList& mail = program->mail();
    const auto timedCheck = [&] {
        recheck().tick();
        EXPECT_EQ(countdown()->text(), QStringLiteral("0"));
        return test::waitUntil([&] { return program->checker().phase() == RunPhase::Idle; });
    };
    QTest::mouseDClick(countdown(), Qt::LeftButton); // the timer on
    ASSERT_TRUE(timedCheck());
    EXPECT_EQ(mail.count(), 1);
    EXPECT_EQ(beeper.beeps(), 1);
    EXPECT_EQ(countdown()->text(), QStringLiteral("1"));

    // Mail delivered since: the next timed check finds it and beeps once.
    QTest::mouseClick(find<QPushButton>("Command2"), Qt::LeftButton); // "Seen"
    deliver(2);
    ASSERT_TRUE(timedCheck());
    EXPECT_EQ(mail.count(), 2);
    EXPECT_EQ(beeper.beeps(), 2);
    // Nothing new: no beep.
    QTest::mouseClick(find<QPushButton>("Command2"), Qt::LeftButton);
    ASSERT_TRUE(timedCheck());
    EXPECT_EQ(beeper.beeps(), 2);

    // The continuous alarm: a beep at the end of the check, then one a tick, the label lit.
    window().selectTab(Page::Settings);
    find<QCheckBox>("Check10")->click();
    window().selectTab(Page::Mail);
    NewMailAlarm& alarm = program->checker().alarm();
    alarm.setIntervals(30, 5);
    deliver(3);
    ASSERT_TRUE(timedCheck());
    EXPECT_EQ(beeper.beeps(), 3);
    QWidget* alarmBox = find<QWidget>("Picture7");
    EXPECT_TRUE(alarmBox->isVisible());
    ClickableLabel* label = window().bottomRow()->alarmLabel();
    const QColor quiet = label->palette().color(QPalette::Window);
    bool litSeen = false;
    QObject::connect(&alarm, &NewMailAlarm::lit, label, [&](bool on) {
        if (on)
            litSeen = label->palette().color(QPalette::Window) != quiet;
    });
    ASSERT_TRUE(test::waitUntil([&] { return beeper.beeps() >= 6; }));
    EXPECT_TRUE(litSeen);
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_FALSE(alarmBox->isVisible());
    const int beeps = beeper.beeps();
    QTest::qWait(100);
    EXPECT_EQ(beeper.beeps(), beeps);
    EXPECT_EQ(label->palette().color(QPalette::Window), quiet);
}

TEST_F(TimerControlsTest, UntickingTheContinuousAlarmStopsIt) {
    record.soundOnNewMail = 1;
    record.continuousAlarm = 1;
    start();
    NewMailAlarm& alarm = program->checker().alarm();
    alarm.start();
    EXPECT_TRUE(find<QWidget>("Picture7")->isVisible());
    window().selectTab(Page::Settings);
    find<QCheckBox>("Check5")->click(); // the sound alone off: the alarm goes on
    EXPECT_TRUE(alarm.isRunning());
    find<QCheckBox>("Check10")->click();
    EXPECT_FALSE(alarm.isRunning());
    EXPECT_FALSE(find<QWidget>("Picture7")->isVisible());
    // Ticking the continuous alarm ticks the sound too.
    find<QCheckBox>("Check10")->click();
    EXPECT_TRUE(find<QCheckBox>("Check5")->isChecked());
    EXPECT_TRUE(program->settings().options.soundOnNewMail);
}

// The flash is meant to be seen: on any palette the lit label stands out from the window by
// 3:1 at least, and its text from its ground.
TEST_F(TimerControlsTest, TheLitAlarmStandsOutFromTheWindowOnAnyPalette) {
    const auto palette = [](QColor window, QColor windowText, QColor highlight,
                            QColor highlightedText) {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::WindowText, windowText);
        p.setColor(QPalette::Highlight, highlight);
        p.setColor(QPalette::HighlightedText, highlightedText);
        return p;
    };
    const struct {
        const char* name;
        QPalette colours;
    } cases[] = {
        {"light with a blue highlight",
         palette(QColor(239, 239, 239), Qt::black, QColor(48, 140, 198), Qt::white)},
        {"dark",
         palette(QColor(30, 30, 30), QColor(230, 230, 230), QColor(61, 174, 233), Qt::black)},
        {"a pale highlight on a pale window (the old tool-tip colours)",
         palette(QColor(230, 230, 230), Qt::black, QColor(234, 234, 224), Qt::black)},
        {"a highlight whose own text does not read",
         palette(Qt::white, Qt::black, QColor(0, 0, 160), QColor(0, 0, 120))},
    };
    const QPalette original = QApplication::palette();
    start();
    ClickableLabel* label = window().bottomRow()->alarmLabel();
    NewMailAlarm& alarm = program->checker().alarm();
    alarm.setIntervals(1000000, 1000000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QApplication::setPalette(c.colours);
        alarm.start();
        alarm.tick(); // lit
        const QColor ground = label->palette().color(QPalette::Window);
        const QColor text = label->palette().color(QPalette::WindowText);
        EXPECT_GE(AlarmColours::contrast(ground, c.colours.color(QPalette::Window)), 3.0);
        EXPECT_GE(AlarmColours::contrast(text, ground), 3.0);
        alarm.stop();
    }
    QApplication::setPalette(original);
}

// While the alarm sounds, the notification-area icon says that new mail waits.
TEST_F(TimerControlsTest, TheIconShowsNewMailWhileTheAlarmSounds) {
    record.trayOnClose = 1;
    start();
    ASSERT_TRUE(tray.isShown);
    const auto picture = [](const QIcon& icon) { return icon.pixmap(22).toImage(); };
    const QImage quiet = picture(tray.icon);
    NewMailAlarm& alarm = program->checker().alarm();
    alarm.setIntervals(1000000, 1000000);
    alarm.start();
    EXPECT_EQ(picture(tray.icon), picture(newMailIcon()));
    EXPECT_NE(picture(tray.icon), quiet);
    alarm.stop();
    EXPECT_EQ(picture(tray.icon), quiet);
}

} // namespace
} // namespace mervantic
