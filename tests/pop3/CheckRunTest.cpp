#include "CheckerFixture.h"
#include "ScriptedSocket.h"
#include "platform/DateTimeText.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

class CheckRunTest : public ::testing::Test {
public:
    ScriptedSocket socket;
    CheckerHarness harness{socket};

    void addAccount(int port, bool checked = false,
                    const QString& password = QStringLiteral("secret")) {
        harness.addAccount(QStringLiteral("Box %1").arg(port), QStringLiteral("alice"), password,
                           QStringLiteral("pop.example.org"), port, checked);
    }
    QStringList lines() const { return harness.view.lines(); }
};

struct HaltCase {
    const char* name;
    std::function<void(CheckerHarness&)> prepare;
    QString reason;
};

TEST_F(CheckRunTest, RefusalsHaltBeforeAnyConnection) {
    const std::vector<HaltCase> cases = {
        {"no accounts", [](CheckerHarness&) {}, QStringLiteral("No Usernames Are Configured.")},
        {"none ticked",
         [](CheckerHarness& h) {
             h.options.checkOnlyChecked = true;
             h.addAccount("a", "alice", "secret", "pop", 1101);
             h.addAccount("b", "bob", "secret", "pop", 1102);
         },
         QStringLiteral("No Usernames Have CheckBox Checked or Error Reading List")},
        {"key without password",
         [](CheckerHarness& h) {
             h.accounts.append({QStringLiteral("Box"), QStringLiteral("bob"), QStringLiteral("pop"),
                                QStringLiteral("110"), QStringLiteral("K1P"), false});
         },
         QStringLiteral("Password From Usernames List Not Good For User: bob")},
        {"key with P too early",
         [](CheckerHarness& h) {
             h.accounts.append({QStringLiteral("Box"), QStringLiteral("carol"),
                                QStringLiteral("pop"), QStringLiteral("110"),
                                QStringLiteral("KPsecret"), false});
         },
         QStringLiteral("Password From Usernames List Not Good For User: carol")},
        {"port not a number",
         [](CheckerHarness& h) {
             h.accounts.append({QStringLiteral("Box"), QStringLiteral("dave"),
                                QStringLiteral("pop"), QStringLiteral("11o"),
                                QStringLiteral("K1Psecret"), false});
         },
         QStringLiteral("Port No. \"11o\" Is Not A Port Number (1 To 65535) For User: dave")},
    };
    for (const HaltCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        c.prepare(run);
        ASSERT_TRUE(run.runCheck());
        EXPECT_EQ(scripted.connections(), 0);
        EXPECT_EQ(run.view.lines().last(), QStringLiteral("..Process Halted: ") + c.reason);
        EXPECT_TRUE(
            run.view.statuses.last().endsWith(QStringLiteral("..Process Halted: ") + c.reason));
        EXPECT_EQ(run.view.messages, QStringList{QStringLiteral("Process Halted: ") + c.reason});
        EXPECT_FALSE(run.view.running);
        EXPECT_FALSE(run.view.runColours);
        EXPECT_EQ(run.checker.phase(), RunPhase::Idle);
        EXPECT_EQ(run.checker.session().password, QString());
    }
}

TEST_F(CheckRunTest, OnlyTickedAccountsAreVisitedWhenSoChosen) {
    harness.options.checkOnlyChecked = true;
    for (int port = 1101; port <= 1106; ++port)
        addAccount(port, port == 1102 || port == 1105);
    socket.addScript(1102, Script::emptyMailbox());
    socket.addScript(1105, Script::emptyMailbox());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(socket.connections(), 2);
    EXPECT_TRUE(socket.unexpected().isEmpty());
    EXPECT_EQ(
        lines().first(),
        QStringLiteral("..Beginning Process To Check For Mail (Check-Selected Usernames, Only)"));
    EXPECT_EQ(harness.rowTexts(0),
              (QStringList{QStringLiteral("Box 1102"), QStringLiteral("Box 1105")}));
}

TEST_F(CheckRunTest, ARunWhoseAccountsAllFailStillCompletes) {
    harness.options.soundOnNewMail = true;
    addAccount(1101);
    addAccount(1102);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(socket.connections(), 2);
    // Every line of an account's conversation follows the line that names it, and the cause of
    // the failure follows the socket's error; the completion line counts the failures.
    const QString complete = QStringLiteral("..Check Complete: No New Mail Items -Total Items: 0 - "
                                            "2 Accounts Failed: Box 1101, Box 1102");
    EXPECT_EQ(
        lines(),
        (QStringList{
            QStringLiteral("..Beginning Process To Check For Mail"),
            QStringLiteral("..Account: Box 1101 (User alice, Server pop.example.org, Port 1101)"),
            QStringLiteral("..Winsock1 Error"),
            QStringLiteral(
                "..Connection refused: no POP3 server answers at pop.example.org, port 1101"),
            QStringLiteral("..Not Connected"),
            QStringLiteral("...User Connection Closed - Wait..."),
            QStringLiteral("..Account: Box 1102 (User alice, Server pop.example.org, Port 1102)"),
            QStringLiteral("..Winsock1 Error"),
            QStringLiteral(
                "..Connection refused: no POP3 server answers at pop.example.org, port 1102"),
            QStringLiteral("..Not Connected"),
            QStringLiteral("...User Connection Closed - Wait..."), complete}));
    const QDateTime now = harness.clock.now();
    EXPECT_EQ(harness.view.statuses.last(), DateTimeText::stamp(now) + complete);
    // A row for each account in the list, marked as failed, that is not mail.
    ASSERT_EQ(harness.mail.count(), 2);
    for (int row = 1; row <= 2; ++row) {
        const MailItem& item = harness.mail.at(row);
        EXPECT_TRUE(item.isFailure());
        EXPECT_EQ(item.displayName(), QStringLiteral("Box 110%1").arg(row));
        EXPECT_EQ(item.server(), QStringLiteral("pop.example.org"));
        EXPECT_EQ(item.port(), QStringLiteral("110%1").arg(row));
        EXPECT_EQ(item.key(), QString());
    }
    EXPECT_EQ(harness.mail.newMessageCount(), 0);
    EXPECT_EQ(harness.beeper.beeps(), 0);
    EXPECT_EQ(harness.view.caption,
              QStringLiteral("Mervantic email - last check: ") + DateTimeText::general(now));
    EXPECT_EQ(harness.options.lastCheckTime, harness.clock.now());
    EXPECT_TRUE(harness.view.messages.isEmpty());
}

TEST_F(CheckRunTest, GoingOfflineBetweenAccountsHaltsTheRun) {
    addAccount(1101);
    addAccount(1102);
    socket.addScript(1101, Script::emptyMailbox());
    // asked before connecting account 1, then when the run moves on
    harness.connectivity.setAnswers({true, false});
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(socket.connections(), 1);
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Not Connected To The Internet"));
}

TEST_F(CheckRunTest, BeingOfflineWhenConnectingAsksAboutDialUpAndGoesOnEitherWay) {
    for (const bool answer : {true, false}) {
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 110);
        scripted.addScript(110, Script::emptyMailbox());
        run.connectivity.setAnswers({false, true});
        run.view.answers = {answer};
        ASSERT_TRUE(run.runCheck());
        EXPECT_EQ(run.view.questions,
                  QStringList{QStringLiteral("You Are NOT CONNECTED To The Internet\n"
                                             "Do You Want A Dial-Up Connection Window?")});
        EXPECT_EQ(scripted.connections(), 1);
        EXPECT_TRUE(scripted.scriptDone());
    }
}

TEST_F(CheckRunTest, NewMailBeepsOnceWhenChosenAndTheCountReadsInTheSingular) {
    harness.options.soundOnNewMail = true;
    addAccount(1101);
    Script one = Script::loggedOn();
    one.expect("STAT").serve("+OK 1 5\r\n").expect("TOP 1 2");
    one.serve("+OK\r\nSubject: hi\r\n\r\n.\r\n").expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, one);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(lines().last(), QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1"));
    EXPECT_EQ(harness.beeper.beeps(), 1);

    // The same message again is seen only once the user said so; unseen it counts as new again.
    harness.mail.markAllSeen();
    Script again = Script::loggedOn();
    again.expect("STAT").serve("+OK 1 5\r\n").expect("TOP 1 2");
    again.serve("+OK\r\nSubject: hi\r\n\r\n.\r\n").expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, again);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(lines().last(),
              QStringLiteral("..Check Complete: No New Mail Items -Total Items: 1"));
    EXPECT_EQ(harness.beeper.beeps(), 1);
}

Script twoMessages() {
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 10\r\n");
    script.expect("TOP 1 2").serve("+OK\r\nSubject: one\r\n\r\n.\r\n");
    script.expect("TOP 2 2").serve("+OK\r\nSubject: two\r\n\r\n.\r\n");
    script.expect("QUIT").serve("+OK\r\n");
    return script;
}

// Mail the user has seen is not announced again because a check between failed, was cancelled
// or halted: the account keeps what was known of it until it is read to its end again.
TEST_F(CheckRunTest, SeenMailStaysSeenThroughAFailedCancelledOrHaltedCheck) {
    struct Case {
        const char* name;
        std::function<void(CheckRunTest&)> inBetween;
    };
    const Case cases[] = {
        {"the account failed",
         [](CheckRunTest& t) {
             t.socket.addScript(1101, Script()
                                          .serve("+OK\r\n")
                                          .expect("USER alice")
                                          .serve("-ERR [SYS/TEMP] try again\r\n"));
             ASSERT_TRUE(t.harness.runCheck());
             ASSERT_EQ(t.harness.mail.count(), 1);
             EXPECT_TRUE(t.harness.mail.at(1).isFailure());
         }},
        {"the check was cancelled",
         [](CheckRunTest& t) {
             Script paused = Script::loggedOn();
             paused.expect("STAT").serve("+OK 2 10\r\n").expect("TOP 1 2").pause();
             t.socket.addScript(1101, paused);
             t.harness.checker.checkMailButton();
             ASSERT_TRUE(test::waitUntil([&] { return t.socket.paused(); }));
             t.harness.checker.cancel();
             ASSERT_TRUE(
                 test::waitUntil([&] { return t.harness.checker.phase() == RunPhase::Idle; }));
             EXPECT_TRUE(t.harness.mail.isEmpty());
         }},
        {"the run halted off-line before the account",
         [](CheckRunTest& t) {
             t.harness.accounts.insert(1,
                                       {QStringLiteral("First"), QStringLiteral("bob"),
                                        QStringLiteral("pop.example.org"), QStringLiteral("1100"),
                                        AccountKey::make(9, QStringLiteral("secret")), false});
             t.socket.addScript(1100, Script::loggedOn("bob")
                                          .expect("STAT")
                                          .serve("+OK 0 0\r\n")
                                          .expect("QUIT")
                                          .serve("+OK\r\n"));
             t.harness.connectivity.setAnswers({true, false});
             ASSERT_TRUE(t.harness.runCheck());
             EXPECT_EQ(t.lines().last(),
                       QStringLiteral("..Process Halted: Not Connected To The Internet"));
             t.harness.accounts.remove(1);
             t.harness.connectivity.setAnswers({true});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckRunTest& self = *this;
        harness.accounts.clear();
        harness.mail.removeAll();
        harness.mail.setSeenMemory({});
        addAccount(1101);
        socket.addScript(1101, twoMessages());
        ASSERT_TRUE(harness.runCheck());
        EXPECT_EQ(harness.mail.newMessageCount(), 2);
        harness.mail.markAllSeen();
        c.inBetween(self);
        socket.addScript(1101, twoMessages());
        ASSERT_TRUE(harness.runCheck());
        EXPECT_EQ(lines().last(),
                  QStringLiteral("..Check Complete: No New Mail Items -Total Items: 2"));
    }
}

TEST_F(CheckRunTest, AHaltWhileTheWindowWaitsToCloseShowsNoMessageBox) {
    addAccount(1101);
    socket.addScript(1101, Script().neverConnects());
    QTimer::singleShot(20, [&] {
        harness.checker.stopForClose(); // the window's close waits for the run
        harness.clock.advance(200000);
    });
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Operation Canceled"));
    EXPECT_TRUE(harness.view.messages.isEmpty());
}

TEST_F(CheckRunTest, StartersDisableTheControlsAndEachRunStartsAFreshLog) {
    addAccount(1101);
    socket.addScript(1101, Script().neverConnects());
    bool running = false;
    RunPhase phase = RunPhase::Idle;
    int runsBegun = 0;
    // Inside the connection wait: the run is under way.
    QTimer::singleShot(20, [&] {
        running = harness.view.running;
        phase = harness.checker.phase();
        harness.checker.checkMailButton(); // ignored while the run is in progress
        runsBegun = harness.view.runsBegun;
        harness.checker.cancel();
        harness.clock.advance(200000);
    });
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(running);
    EXPECT_EQ(phase, RunPhase::Checking);
    EXPECT_EQ(runsBegun, 1);
    EXPECT_EQ(harness.view.mailPageSelections, 1);
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Operation Canceled"));
    EXPECT_FALSE(harness.view.running);

    harness.view.log << QStringLiteral("left over");
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.runsBegun, 2);
    EXPECT_FALSE(harness.view.log.contains(QStringLiteral("left over")));
}

} // namespace
} // namespace mervantic
