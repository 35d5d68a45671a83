// The delete run's button, its refusals and halts, and the conversation's end without a QUIT the
// server accepted, against scripted servers.
#include "CheckerFixture.h"
#include "ScriptedSocket.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

const QString kServer = QStringLiteral("pop.example.org");

QByteArray topReply(int n) {
    return "+OK\r\nFrom: s" + QByteArray::number(n) + "@example.org\r\nSubject: Message " +
           QByteArray::number(n) + "\r\nMessage-ID: <" + QByteArray::number(n) +
           "@example.org>\r\n\r\nbody\r\n.\r\n";
}

class DeleteRunTest : public ::testing::Test {
public:
    void SetUp() override {
        harness.options.deleteEnabled = true;
        harness.mail.setDeleteFunctionsEnabled(true);
        harness.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                           kServer, 1101);
    }

    // The rows a check of `count` messages on port 1101 (and one on 1102) would have listed.
    void listMessages(int count, int port = 1101) {
        for (int n = 1; n <= count; ++n)
            harness.mail.addMessageRow(
                QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                QStringLiteral("s%1@example.org").arg(n), QStringLiteral("Message %1").arg(n),
                QString(), kServer, QString::number(port),
                QStringLiteral("<%1@example.org>").arg(n));
    }

    bool runDelete() {
        harness.checker.deleteMailButton();
        return test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; });
    }
    QStringList lines() const { return harness.view.lines(); }

    ScriptedSocket socket;
    CheckerHarness harness{socket};
};

TEST_F(DeleteRunTest, TheButtonRefusesWhatItCannotDoAndRestoresTheControls) {
    struct Case {
        const char* name;
        std::function<void(DeleteRunTest&)> prepare;
        QStringList messages;
        bool asked;
    };
    const std::vector<Case> cases = {
        {"delete functions off",
         [](DeleteRunTest& t) {
             t.listMessages(1);
             t.harness.mail.checkItem(1);
             t.harness.options.deleteEnabled = false;
         },
         {},
         false},
        {"empty list",
         [](DeleteRunTest&) {},
         {QStringLiteral("There Are No Mail Items On The List")},
         false},
        {"only (no mail) rows ticked",
         [](DeleteRunTest& t) {
             t.listMessages(1);
             t.harness.mail.addNoMailRow(QStringLiteral("Other"), QStringLiteral("bob"));
             t.harness.mail.checkItem(2);
         },
         {QStringLiteral("No Mail Items On The List Have Their CheckBoxes Checked To Mark For "
                         "Deletion")},
         false},
        {"answered No",
         [](DeleteRunTest& t) {
             t.listMessages(1);
             t.harness.mail.checkItem(1);
             t.harness.view.answers = {false};
         },
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteRunTest& self = *this;
        harness.mail.removeAll();
        harness.options.deleteEnabled = true;
        harness.view.messages.clear();
        harness.view.questions.clear();
        c.prepare(self);
        harness.checker.deleteMailButton();
        EXPECT_EQ(harness.view.messages, c.messages);
        EXPECT_EQ(harness.view.questions.size(), c.asked ? 1 : 0);
        EXPECT_EQ(harness.checker.phase(), RunPhase::Idle);
        EXPECT_FALSE(harness.view.running);
        EXPECT_EQ(harness.view.deleteMailEnabled, harness.options.deleteEnabled);
        EXPECT_EQ(harness.view.mailPageSelections, 1);
        harness.view.mailPageSelections = 0;
        EXPECT_TRUE(harness.mail.isEnabled());
        EXPECT_EQ(socket.connections(), 0);
    }
}

// A port that is no number halts the delete run with the words a check halts with.
TEST_F(DeleteRunTest, ARowWhosePortIsNoNumberHaltsTheRunAsACheckWould) {
    harness.mail.addMessageRow(QStringLiteral("Box"), QStringLiteral("alice"),
                               QStringLiteral("secret"), QStringLiteral("s@example.org"),
                               QStringLiteral("Subject"), QString(), kServer, QStringLiteral("11o"),
                               QStringLiteral("<1@example.org>"));
    harness.mail.checkItem(1);
    ASSERT_TRUE(runDelete());
    const QString reason =
        QStringLiteral("Port No. \"11o\" Is Not A Port Number (1 To 65535) For User: alice");
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: ") + reason);
    EXPECT_EQ(harness.view.messages, QStringList{QStringLiteral("Process Halted: ") + reason});
    EXPECT_EQ(socket.connections(), 0);
    EXPECT_EQ(harness.mail.count(), 1);
    EXPECT_TRUE(harness.mail.isEnabled());
}

TEST_F(DeleteRunTest, ADeleteThatTheServerDoesNotCommitWithQuitDeletesNothing) {
    listMessages(2);
    harness.mail.checkItem(2);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("TOP 2 2").serve(topReply(2)).expect("DELE 2").serve("+OK\r\n");
    script.expect("QUIT").serve("-ERR cannot update the maildrop\r\n");
    socket.addScript(1101, script);
    ASSERT_TRUE(runDelete());
    EXPECT_TRUE(socket.unexpected().isEmpty());
    EXPECT_EQ(lines(),
              (QStringList{QStringLiteral("..Beginning Process To Delete Mail"),
                           // Named as the check names it.
                           QStringLiteral("..Account: Box (User alice, Server pop.example.org, "
                                          "Port 1101)"),
                           QStringLiteral("..Connected-ServerIP: 127.0.0.1"),
                           QStringLiteral("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>"),
                           QStringLiteral("+OK Logged in."),
                           QStringLiteral("..Checking For Delete Mail Items On Server"),
                           QStringLiteral("-ERR cannot update the maildrop"),
                           QStringLiteral("...User Connection Closed - Wait..."),
                           QStringLiteral("..The Server Did Not Confirm The Deletion Of 1 Mail "
                                          "Item: Kept"),
                           QStringLiteral("..Delete Complete: Deleted 0 Mail Items - 1 Account "
                                          "Failed: Box")}));
    EXPECT_EQ(harness.mail.count(), 2);
    EXPECT_TRUE(harness.mail.isItemChecked(2));
    EXPECT_EQ(harness.mail.at(2).key(), QStringLiteral("K2Psecret"));
}

// What cannot be undone is said in numbers, and Enter (the default) answers No.
TEST_F(DeleteRunTest, TheConfirmationCountsWhatWillGoAndDefaultsToNo) {
    harness.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                       kServer, 1102);
    listMessages(3, 1101);
    listMessages(2, 1102);
    harness.mail.addNoMailRow(QStringLiteral("Other"), QStringLiteral("bob"));
    harness.mail.checkAll(); // the "(no mail)" row is ticked too, and is not counted
    harness.mail.uncheckItem(2);
    harness.view.answers = {false};
    harness.checker.deleteMailButton();
    ASSERT_EQ(harness.view.questions.size(), 1);
    EXPECT_EQ(harness.view.questions.first(),
              QStringLiteral("Confirm: Permanently Delete All Mail Items w/CheckBox Ckecked From "
                             "The Server?"));
    EXPECT_EQ(harness.view.details.first(),
              QStringLiteral("4 Mail Items On 2 Accounts Will Be Deleted."));
    EXPECT_TRUE(harness.view.noByDefault.first());
    EXPECT_EQ(socket.connections(), 0);

    harness.mail.uncheckAll();
    harness.mail.checkItem(1);
    harness.view.answers = {false};
    harness.checker.deleteMailButton();
    EXPECT_EQ(harness.view.details.last(),
              QStringLiteral("1 Mail Item On 1 Account Will Be Deleted."));
}

// A ticked message that another client took off the server is named after the run, so that a
// count short of what was ticked is explained.
TEST_F(DeleteRunTest, TickedMessagesNoLongerOnTheServerAreNamed) {
    listMessages(3);
    harness.mail.checkItem(1);
    harness.mail.checkItem(3);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("DELE 1").serve("+OK\r\n").expect("TOP 2 2").serve(topReply(2));
    script.expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    ASSERT_TRUE(runDelete());
    EXPECT_TRUE(socket.unexpected().isEmpty());
    EXPECT_EQ(lines().mid(lines().size() - 2),
              (QStringList{QStringLiteral("..Not Found On The Server: 1 Mail Item"),
                           QStringLiteral("..Delete Complete: Deleted 1 Mail Item")}));
    EXPECT_EQ(harness.rowTexts(MailItem::Subject),
              (QStringList{QStringLiteral("Message 2"), QStringLiteral("Message 3")}));
}

TEST_F(DeleteRunTest, CancelOrACloseDuringADeleteRunEmptiesTheListAndHalts) {
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "window closed" : "Cancel");
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.options.deleteEnabled = true;
        run.mail.setDeleteFunctionsEnabled(true);
        for (const int port : {1101, 1102})
            run.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                           kServer, port);
        for (const int port : {1101, 1102}) {
            for (int n = 1; n <= 2; ++n)
                run.mail.addMessageRow(
                    QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                    QStringLiteral("s%1@example.org").arg(n), QStringLiteral("Message %1").arg(n),
                    QString(), kServer, QString::number(port),
                    QStringLiteral("<%1@example.org>").arg(n));
        }
        run.mail.checkAll();
        Script script = Script::loggedOn();
        script.expect("STAT").serve("+OK 2 100\r\n").expect("TOP 1 2").serve(topReply(1));
        script.expect("DELE 1").serve("+OK\r\n").expect("TOP 2 2").pause().serve(topReply(2));
        // The cancel is seen once the message is whole: QUIT, and the server commits DELE 1.
        script.expect("QUIT").serve("+OK bye\r\n");
        scripted.addScript(1101, script);
        run.checker.deleteMailButton();
        ASSERT_TRUE(test::waitUntil([&] { return scripted.paused(); }));
        EXPECT_FALSE(run.mail.isEnabled());
        if (closing)
            run.checker.stopForClose();
        else
            run.checker.cancel();
        scripted.resume();
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
        EXPECT_TRUE(scripted.unexpected().isEmpty());
        EXPECT_EQ(scripted.connections(), 1); // the second account is never reached
        EXPECT_EQ(run.view.lines().last(), QStringLiteral("..Process Halted: Operation Canceled"));
        EXPECT_EQ(run.view.messages,
                  closing ? QStringList{}
                          : QStringList{QStringLiteral("Process Halted: Operation Canceled")});
        EXPECT_EQ(run.mail.count(), 0);
        EXPECT_TRUE(run.mail.isEnabled());
        EXPECT_FALSE(run.view.running);
        EXPECT_FALSE(run.checker.runs().deleting());
    }
}

TEST_F(DeleteRunTest, ACancelWhoseQuitTheServerRefusesEndsCleanly) {
    listMessages(2);
    harness.mail.checkAll();
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("DELE 1").serve("+OK\r\n").expect("TOP 2 2").pause().serve(topReply(2));
    script.expect("QUIT").serve("-ERR cannot update\r\n");
    socket.addScript(1101, script);
    harness.checker.deleteMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.paused(); }));
    harness.checker.cancel();
    socket.resume();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Operation Canceled"));
    EXPECT_EQ(harness.mail.count(), 0);
}

TEST_F(DeleteRunTest, ACheckAskedForDuringADeleteRunIsRefusedAndTheDeleteGoesOn) {
    listMessages(1);
    harness.mail.checkItem(1);
    Script script = Script::loggedOn();
    script.expect("STAT").pause().serve("+OK 1 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("DELE 1").serve("+OK\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    harness.checker.deleteMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.paused(); }));
    harness.checker.checkRun().run(); // as a starter that does not look first would
    EXPECT_EQ(lines().last(),
              QStringLiteral("..Process Halted: Error..A Delete Process Is Still Running"));
    EXPECT_EQ(
        harness.view.messages,
        QStringList{QStringLiteral("Process Halted: Error..A Delete Process Is Still Running")});
    EXPECT_TRUE(harness.view.running);
    EXPECT_EQ(harness.checker.phase(), RunPhase::Deleting);
    socket.resume();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(lines().last(), QStringLiteral("..Delete Complete: Deleted 1 Mail Item"));
    EXPECT_EQ(harness.mail.count(), 1);
    EXPECT_TRUE(harness.mail.at(1).isNoMail());
}

TEST_F(DeleteRunTest, GoingOfflineBetweenAccountsHaltsAndKeepsWhatWasDeleted) {
    harness.addAccount(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                       kServer, 1102);
    listMessages(2, 1101);
    listMessages(1, 1102);
    harness.mail.checkItem(1);
    harness.mail.checkItem(3);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 2 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("DELE 1").serve("+OK\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    // Asked before the first account, then when the run moves on.
    harness.connectivity.setAnswers({true, false});
    ASSERT_TRUE(runDelete());
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Not Connected To The Internet"));
    // The message the server deleted does not stay in the list; the other account's row does.
    EXPECT_EQ(harness.rowTexts(MailItem::Subject),
              (QStringList{QStringLiteral("Message 2"), QStringLiteral("Message 1")}));
    EXPECT_EQ(harness.rowTexts(MailItem::Port),
              (QStringList{QStringLiteral("1101"), QStringLiteral("1102")}));
}

} // namespace
} // namespace mervantic
