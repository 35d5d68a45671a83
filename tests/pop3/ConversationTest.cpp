#include "CheckerFixture.h"
#include "ScriptedSocket.h"
#include "pop3/ProviderHints.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::Script;
using test::ScriptedSocket;

const QByteArray kGreeting = "+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>";
const QString kGreetingLine = QString::fromLatin1(kGreeting);

QByteArray message(int n) {
    return "From: sender" + QByteArray::number(n) +
           "@example.org\r\n"
           "Subject: Message " +
           QByteArray::number(n) +
           "\r\n"
           "Date: Mon, 4 Jan 2003 09:15:00 -0500\r\n"
           "Message-ID: <" +
           QByteArray::number(n) +
           "@example.org>\r\n"
           "\r\n"
           "first body line\r\n"
           "second body line\r\n";
}

QByteArray topReply(int n) {
    return "+OK\r\n" + message(n) + ".\r\n";
}

// Greeting, log-on, STAT, the messages and QUIT, as a well-behaved server plays them.
Script mailbox(int count, const QByteArray& command = "TOP %1 2") {
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK " + QByteArray::number(count) + " 1234\r\n");
    for (int n = 1; n <= count; ++n) {
        QByteArray request = command;
        request.replace("%1", QByteArray::number(n));
        script.expect(request).serve(topReply(n));
    }
    script.expect("QUIT").serve("+OK Logging out.\r\n");
    return script;
}

class ConversationTest : public ::testing::Test {
protected:
    ScriptedSocket socket;
    CheckerHarness harness{socket};

    void addAccounts(int count) {
        for (int i = 1; i <= count; ++i)
            harness.addAccount(QStringLiteral("Account %1").arg(i), QStringLiteral("alice"),
                               QStringLiteral("secret"), QStringLiteral("pop.example.org"),
                               1100 + i);
    }
    const QStringList& log() const { return harness.view.log; }
    QStringList lines() const { return harness.view.lines(); }
};

TEST_F(ConversationTest, ReadsEveryMessageWithTopOneCommandAtATime) {
    addAccounts(1);
    socket.addScript(1101, mailbox(2));
    ASSERT_TRUE(harness.runCheck());

    EXPECT_EQ(lines(), (QStringList{
                           QStringLiteral("..Beginning Process To Check For Mail"),
                           QStringLiteral("..Account: Account 1 (User alice, Server "
                                          "pop.example.org, Port 1101)"),
                           QStringLiteral("..Connected-ServerIP: 127.0.0.1"),
                           kGreetingLine,
                           QStringLiteral("+OK Logged in."),
                           QStringLiteral("..Checking For Mail"),
                           QStringLiteral("+OK Logging out."),
                           QStringLiteral("...User Connection Closed - Wait..."),
                           QStringLiteral("..Check Complete: 2 New Mail Items -Total Items: 2"),
                       }));
    EXPECT_TRUE(socket.scriptDone());
    EXPECT_EQ(harness.view.rawBlocks,
              (QStringList{QString::fromLatin1(message(1)), QString::fromLatin1(message(2))}));
    EXPECT_EQ(harness.rowTexts(3),
              (QStringList{QStringLiteral("Message 1"), QStringLiteral("Message 2")}));
    EXPECT_FALSE(harness.view.running);
    EXPECT_TRUE(harness.view.messages.isEmpty());
}

TEST_F(ConversationTest, ReadsWholeMessagesWithRetrWhenChosen) {
    harness.options.useRetr = true;
    addAccounts(1);
    socket.addScript(1101, mailbox(3, "RETR %1"));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(socket.scriptDone());
    EXPECT_EQ(harness.mail.count(), 3);
    EXPECT_EQ(lines().last(), QStringLiteral("..Check Complete: 3 New Mail Items -Total Items: 3"));
}

TEST_F(ConversationTest, RepliesCutAnywhereByTheNetworkAreReadWhole) {
    struct Cut {
        const char* name;
        QByteArray bytes;
        std::vector<qsizetype> cuts;
    };
    const QByteArray greeting = kGreeting + "\r\n";
    const QByteArray reply = topReply(1);
    const Cut cuts[] = {
        {"greeting inside CR LF", greeting, {greeting.size() - 1}},
        {"greeting after its first character", greeting, {1}},
        {"greeting in three", greeting, {2, 10}},
        {"message inside the terminator", reply, {reply.size() - 2}},
        {"message before the final dot", reply, {reply.size() - 3}},
        {"message inside the status line", reply, {2}},
        {"message byte by byte at the end",
         reply,
         {reply.size() - 5, reply.size() - 4, reply.size() - 3, reply.size() - 2,
          reply.size() - 1}},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 110);
        Script script;
        if (cut.bytes == greeting)
            script.serveSplit(greeting, cut.cuts);
        else
            script.serve(greeting);
        script.expect("USER alice").serve("+OK\r\n").expect("PASS secret");
        script.serveSplit("+OK Logged in.\r\n", {3}).expect("STAT").serve("+OK 1 99\r\n");
        script.expect("TOP 1 2");
        if (cut.bytes == reply)
            script.serveSplit(reply, cut.cuts);
        else
            script.serve(reply);
        script.expect("QUIT").serve("+OK\r\n");
        scripted.addScript(110, script);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(scripted.scriptDone());
        EXPECT_EQ(run.view.lines().at(3), kGreetingLine);
        EXPECT_EQ(run.view.rawBlocks, QStringList{QString::fromLatin1(message(1))});
    }
}

TEST_F(ConversationTest, ABodyPieceThatBeginsWithErrIsPartOfTheMessage) {
    addAccounts(1);
    const QByteArray head = "+OK\r\nSubject: s\r\n\r\n";
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 1 10\r\n").expect("TOP 1 2");
    script.serve(head).serve("-ERR is just body text\r\n.\r\n");
    script.expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, script);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(socket.scriptDone());
    EXPECT_EQ(harness.rowTexts(3), QStringList{QStringLiteral("s")});
}

struct Refusal {
    const char* name;
    Script script;
    QString logged; // empty: nothing logged
    // What the account's failure row says.
    QString reason;
};

Script refusedAt(int step, const QByteArray& reply) {
    Script script;
    script.serve(step == 0 ? reply : kGreeting + "\r\n");
    if (step == 0)
        return script;
    script.expect("USER alice").serve(step == 1 ? reply : "+OK\r\n");
    if (step == 1)
        return script;
    script.expect("PASS secret").serve(step == 2 ? reply : "+OK\r\n");
    if (step == 2)
        return script;
    script.expect("STAT").serve(reply);
    return script;
}

TEST_F(ConversationTest, ARefusalEndsTheAccountWithoutQuitAndTheRunGoesOn) {
    const QByteArray longError = "-ERR " + QByteArray(300, 'z') + "\r\n";
    const QString notPop3 = QStringLiteral("The server sent a reply that is not POP3: ");
    const std::vector<Refusal> refusals = {
        {"user", refusedAt(1, "-ERR unknown user\r\n"),
         QStringLiteral("Username Logon Error: -ERR unknown user"),
         QStringLiteral("The server refused the user name: unknown user")},
        {"password", refusedAt(2, "-ERR [AUTH] Authentication failed.\r\n"),
         QStringLiteral("Password Logon Error: -ERR [AUTH] Authentication failed."),
         QStringLiteral("Wrong user name or password: [AUTH] Authentication failed.")},
        {"stat", refusedAt(3, "-ERR mailbox locked\r\n"), QStringLiteral("-ERR mailbox locked"),
         QStringLiteral("The server refused to count the messages: mailbox locked")},
        {"greeting", refusedAt(0, "-ERR busy\r\n"), QStringLiteral("-ERR busy"),
         QStringLiteral("The server refused the connection: busy")},
        {"chopped", refusedAt(2, longError),
         QStringLiteral("Password Logon Error: Chopped To 240 Chrs: -ERR ") + QString(235, u'z'),
         QStringLiteral("Wrong user name or password: ") + QString(195, u'z')},
        {"stat count not a number", refusedAt(3, "+OK lots of mail\r\n"),
         QStringLiteral("+OK lots of mail"),
         QStringLiteral("The server's message count could not be read: +OK lots of mail")},
        {"lower-case err", refusedAt(2, "-err no\r\n"), QString(), notPop3 + "-err no"},
        {"garbage greeting", refusedAt(0, "HELLO there\r\n"), QString(), notPop3 + "HELLO there"},
        {"garbage after user", refusedAt(1, "\x01\x02\x03\r\n"), QString(),
         notPop3 + "\x01\x02\x03"},
        // A server that echoes what it was sent must not put the password on the screen.
        {"password echoed", refusedAt(2, "-ERR bad password secret for alice (secret)\r\n"),
         QStringLiteral("Password Logon Error: -ERR bad password ******** for alice (********)"),
         QStringLiteral("Wrong user name or password: bad password ******** for alice "
                        "(********)")},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        scripted.addScript(1101, refusal.script);
        scripted.addScript(1102, mailbox(1));
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(scripted.unexpected().isEmpty())
            << scripted.unexpected().join(u'\n').toStdString();
        QStringList expected = run.view.lines().mid(0, 3);
        if (refusal.name != std::string("greeting") &&
            refusal.name != std::string("garbage greeting"))
            expected << kGreetingLine;
        if (std::string(refusal.name).starts_with("stat"))
            expected << QStringLiteral("+OK");
        if (std::string(refusal.name) == "stat count not a number")
            expected << QStringLiteral("..Checking For Mail");
        if (!refusal.logged.isEmpty())
            expected << refusal.logged;
        expected << QStringLiteral("...User Connection Closed - Wait...")
                 << QStringLiteral("..Account: (User alice, Server pop.example.org, Port 1102)")
                 << QStringLiteral("..Connected-ServerIP: 127.0.0.1");
        EXPECT_EQ(run.view.lines().mid(0, expected.size()), expected);
        EXPECT_EQ(run.view.lines().last(),
                  QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1 - 1 Account "
                                 "Failed: alice@pop.example.org"));
        // The failed account has its row, saying why, before the next account's mail.
        ASSERT_EQ(run.mail.count(), 2);
        EXPECT_TRUE(run.mail.at(1).isFailure());
        EXPECT_EQ(run.mail.at(1).from(), QStringLiteral("(check failed)"));
        EXPECT_EQ(run.mail.at(1).subject(), refusal.reason);
        EXPECT_EQ(run.mail.at(1).port(), QStringLiteral("1101"));
        EXPECT_EQ(run.mail.at(2).subject(), QStringLiteral("Message 1"));
    }
}

// A refusal from a provider whose users meet it most is followed by what to do about it, in
// the log and in the failed account's row; the server's own words come first.
TEST_F(ConversationTest, AProvidersLogOnRefusalSaysWhatToDo) {
    ScriptedSocket scripted;
    CheckerHarness run(scripted);
    run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                   QStringLiteral("pop.gmail.com"), 1101);
    scripted.addScript(1101, refusedAt(2, "-ERR [AUTH] Username and password not accepted.\r\n"));
    ASSERT_TRUE(run.runCheck());
    const QString hint = providerHint(QStringLiteral("pop.gmail.com"), QString(), true);
    ASSERT_FALSE(hint.isEmpty());
    EXPECT_TRUE(run.view.lines().contains(QStringLiteral("..") + hint));
    ASSERT_EQ(run.mail.count(), 1);
    EXPECT_EQ(run.mail.at(1).subject(),
              QStringLiteral("Wrong user name or password: [AUTH] Username and password not "
                             "accepted. - ") +
                  hint);
}

TEST_F(ConversationTest, ARefusedMessageRequestEndsWithQuit) {
    for (const bool retr : {false, true}) {
        SCOPED_TRACE(retr ? "RETR" : "TOP");
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.options.useRetr = retr;
        run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), 110);
        Script script = Script::loggedOn();
        script.expect("STAT").serve("+OK 2 10\r\n").expect(retr ? "RETR 1" : "TOP 1 2");
        script.serveSplit("-ERR no such message\r\n", {2});
        script.expect("QUIT").serve("+OK bye\r\n");
        scripted.addScript(110, script);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(scripted.scriptDone());
        const QStringList lines = run.view.lines();
        const qsizetype at = lines.indexOf(QStringLiteral("..Checking For Mail"));
        ASSERT_GE(at, 0);
        EXPECT_EQ(lines.at(at + 1), retr ? QString() : QStringLiteral("Error Using -TOP- Command"));
        EXPECT_EQ(lines.at(at + 2), QStringLiteral("+OK bye"));
        ASSERT_EQ(run.mail.count(), 1);
        EXPECT_EQ(run.mail.at(1).subject(),
                  retr ? QStringLiteral("The server refused the RETR command: no such message")
                       : QStringLiteral("The server refused the TOP command: no such message"));
    }
}

TEST_F(ConversationTest, AFullListStopsReadingAndTheRunGoesOn) {
    // Room for two and a half rows of these messages.
    MailList scratch;
    scratch.addMessageRow(
        QStringLiteral("Account 1"), QStringLiteral("alice"), QStringLiteral("secret"),
        QStringLiteral("sender1@example.org"), QStringLiteral("Message 1"),
        QStringLiteral("Mon, 4 Jan 2003 09:15:00 -0500"), QStringLiteral("pop.example.org"),
        QStringLiteral("1101"), QStringLiteral("<1@example.org>"));
    const qsizetype budget = scratch.memoryCost() * 5 / 2;
    harness.mail.setMemoryBudget(budget);
    addAccounts(2);
    Script many = Script::loggedOn();
    many.expect("STAT").serve("+OK 1000000 1\r\n");
    for (int n = 1; n <= 3; ++n)
        many.expect("TOP " + QByteArray::number(n) + " 2").serve(topReply(n));
    many.expect("QUIT").serve("+OK\r\n");
    socket.addScript(1101, many);
    socket.addScript(1102, mailbox(0));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(socket.unexpected().isEmpty()) << socket.unexpected().join(u'\n').toStdString();
    // Three messages, the first account's failure row, and the second account's empty mailbox.
    ASSERT_EQ(harness.mail.count(), 5);
    EXPECT_TRUE(lines().contains(
        QStringLiteral("..Mail List Full: The Remaining Messages Are Not Listed")));
    EXPECT_EQ(harness.mail.at(4).subject(),
              QStringLiteral("The mail list is full: the remaining messages of this account are "
                             "not listed"));
    EXPECT_EQ(
        lines().last(),
        QStringLiteral(
            "..Check Complete: 3 New Mail Items -Total Items: 3 - 1 Account Failed: Account 1"));
    EXPECT_GE(harness.mail.memoryCost(), budget);
}

TEST_F(ConversationTest, AnEmptyMailboxAddsOneNoMailRowThatTheTotalLeavesOut) {
    addAccounts(2);
    socket.addScript(1101, mailbox(0));
    socket.addScript(1102, mailbox(1));
    ASSERT_TRUE(harness.runCheck());
    ASSERT_EQ(harness.mail.count(), 2);
    EXPECT_TRUE(harness.mail.at(1).isNoMail());
    EXPECT_EQ(harness.mail.at(1).displayName(), QStringLiteral("Account 1"));
    EXPECT_EQ(harness.mail.at(1).username(), QStringLiteral("alice"));
    EXPECT_EQ(harness.mail.at(1).key(), QString());
    EXPECT_EQ(harness.mail.at(2).key(), QStringLiteral("K2Psecret"));
    EXPECT_EQ(lines().last(), QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1"));
}

TEST_F(ConversationTest, AnOverlongReplyLineIsJudgedAtItsLimit) {
    addAccounts(2);
    Script longGreeting;
    longGreeting.serve("+OK " + QByteArray(Conversation::kLongestReplyLine, 'g'))
        .expect("USER alice")
        .serve("-ERR " + QByteArray(10000, 'e'))
        .silence();
    socket.addScript(1101, longGreeting);
    socket.addScript(1102, mailbox(0));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(lines().contains(
        QStringLiteral("Username Logon Error: Chopped To 240 Chrs: -ERR ") + QString(235, u'e')));
    EXPECT_EQ(
        lines().last(),
        QStringLiteral(
            "..Check Complete: No New Mail Items -Total Items: 0 - 1 Account Failed: Account 1"));
}

TEST_F(ConversationTest, ASocketFailureOrPeerCloseInTheMiddleOfAMessageMovesOn) {
    for (const bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "reset" : "peer close");
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        Script broken = Script::loggedOn();
        broken.expect("STAT").serve("+OK 2 10\r\n").expect("TOP 1 2").serve("+OK\r\nSubject: half");
        if (reset)
            broken.fails(Socket::Failure::Reset);
        else
            broken.peerCloses();
        scripted.addScript(1101, broken);
        scripted.addScript(1102, mailbox(1));
        ASSERT_TRUE(run.runCheck());
        const QStringList lines = run.view.lines();
        const QString why = reset ? QStringLiteral("The server reset the connection")
                                  : QStringLiteral("The server closed the connection");
        EXPECT_EQ(lines.contains(QStringLiteral("..Winsock1 Error")), reset);
        EXPECT_TRUE(lines.contains(QStringLiteral("..") + why));
        EXPECT_EQ(lines.count(QStringLiteral("...User Connection Closed - Wait...")), 2);
        EXPECT_EQ(run.rowTexts(3), (QStringList{why, QStringLiteral("Message 1")}));
    }
}

TEST_F(ConversationTest, AServerSilentAfterTheGreetingIsAbandonedAtTheFirstTickPastTheTimeOut) {
    harness.options.serverTimeoutMs = 5000;
    harness.checker.connection().setTimeoutTickInterval(10);
    addAccounts(2);
    Script silent;
    silent.serve(kGreeting + "\r\n").expect("USER alice").silence();
    socket.addScript(1101, silent);
    socket.addScript(1102, mailbox(0));
    harness.checker.checkMailButton();
    ASSERT_TRUE(
        test::waitUntil([&] { return socket.sent().contains(QStringLiteral("USER alice")); }));
    QTest::qWait(50); // several ticks: not yet past the time-out
    EXPECT_EQ(socket.connections(), 1);
    harness.clock.advance(5000);
    QTest::qWait(50);
    EXPECT_EQ(socket.connections(), 1); // exactly the time-out is not past it
    harness.clock.advance(1);
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(socket.connections(), 2);
    // The time-out says so, in the log and in the account's row.
    EXPECT_TRUE(lines().contains(QStringLiteral("..No answer from the server within 5 seconds")));
    EXPECT_EQ(harness.rowTexts(3).first(),
              QStringLiteral("No answer from the server within 5 seconds"));
    EXPECT_EQ(
        lines().last(),
        QStringLiteral(
            "..Check Complete: No New Mail Items -Total Items: 0 - 1 Account Failed: Account 1"));
}

TEST_F(ConversationTest, AServerThatNeverGreetsIsAbandonedLikeASilentOne) {
    harness.options.serverTimeoutMs = 5000;
    harness.checker.connection().setTimeoutTickInterval(10);
    addAccounts(2);
    socket.addScript(1101, Script().silence());
    socket.addScript(1102, mailbox(0));
    harness.checker.checkMailButton();
    QTest::qWait(50);
    EXPECT_EQ(socket.connections(), 1);
    harness.clock.advance(5001);
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(socket.connections(), 2);
}

TEST_F(ConversationTest, AConnectionThatNeverCompletesFailsAfterTheTimeOut) {
    harness.options.serverTimeoutMs = 5000;
    addAccounts(2);
    socket.addScript(1101, Script().neverConnects());
    socket.addScript(1102, mailbox(0));
    // The connection wait keeps dispatching events; time moves on inside it.
    int connectionsWhileWaiting = 0;
    QTimer::singleShot(50, [&] {
        connectionsWhileWaiting = socket.connections();
        harness.clock.advance(5000);
    });
    QTimer::singleShot(100, [&] { harness.clock.advance(1); });
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(connectionsWhileWaiting, 1);
    EXPECT_EQ(lines().mid(2, 4),
              (QStringList{QStringLiteral("..Winsock1 Error"),
                           QStringLiteral("..No answer from pop.example.org within 5 seconds"),
                           QStringLiteral("..Not Connected"),
                           QStringLiteral("...User Connection Closed - Wait...")}));
    EXPECT_EQ(socket.connections(), 2);
}

// A message reply is judged by its pace, not by how long it takes in all: one that keeps
// bringing a kilobyte in every time-out is read however long it lasts; one that drips less is
// given up once a time-out has passed without its kilobyte.
TEST_F(ConversationTest, AMessageIsGivenUpWhenItComesSlowerThanAKilobyteATimeOut) {
    for (const int bytesEach4s : {1500, 100}) {
        SCOPED_TRACE(bytesEach4s);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.options.serverTimeoutMs = 5000;
        run.checker.connection().setTimeoutTickInterval(10);
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        Script paced = Script::loggedOn();
        paced.expect("STAT").serve("+OK 1 10\r\n").expect("TOP 1 2").serve("+OK\r\nSubject: x\r\n");
        constexpr int kPieces = 8; // 32 s in all: more than four time-outs
        for (int i = 0; i < kPieces; ++i)
            paced.pause().serve("X-Pad: " + QByteArray(bytesEach4s - 9, 'b') + "\r\n");
        paced.serve("\r\n.\r\n").expect("QUIT").serve("+OK bye\r\n");
        scripted.addScript(1101, paced);
        scripted.addScript(1102, mailbox(0));
        run.checker.checkMailButton();
        for (int i = 0; i < kPieces; ++i) {
            if (!test::waitUntil([&] { return scripted.paused() || scripted.connections() > 1; }) ||
                scripted.connections() > 1)
                break;
            run.clock.advance(4000);
            QTest::qWait(30);
            scripted.resume();
        }
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
        EXPECT_EQ(scripted.connections(), 2);
        ASSERT_GE(run.mail.count(), 1);
        if (bytesEach4s > 1024) {
            EXPECT_EQ(run.mail.at(1).subject(), QStringLiteral("x"));
        } else {
            EXPECT_EQ(run.mail.at(1).subject(),
                      QStringLiteral("The server sent a message too slowly: less than 1024 bytes "
                                     "in 5 seconds"));
        }
    }
}

TEST_F(ConversationTest, CancelTakesEffectWhenTheMessageBeingReadIsComplete) {
    addAccounts(2);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 3 10\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("TOP 2 2").serve("+OK\r\nSubject: 2\r\n").pause();
    script.serve("\r\nbody\r\n.\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.paused(); }));
    EXPECT_EQ(harness.mail.count(), 1);
    harness.checker.cancel();
    socket.resume();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_TRUE(socket.scriptDone());
    EXPECT_EQ(socket.connections(), 1); // the second account is never reached
    EXPECT_EQ(harness.mail.count(), 0);
    EXPECT_EQ(lines().mid(lines().size() - 3),
              (QStringList{QStringLiteral("+OK bye"),
                           QStringLiteral("...User Connection Closed - Wait..."),
                           QStringLiteral("..Process Halted: Operation Canceled")}));
    EXPECT_EQ(harness.view.messages,
              QStringList{QStringLiteral("Process Halted: Operation Canceled")});
    EXPECT_FALSE(harness.checker.session().haltRequest);
}

// A server that does not answer is owed no QUIT: Cancel closes the connection at once, without
// waiting for the time-out's next tick (20 seconds here) or the time-out itself.
TEST_F(ConversationTest, CancelWithASilentServerTakesEffectAtOnce) {
    addAccounts(2);
    socket.addScript(1101, Script::loggedOn().expect("STAT").silence());
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return socket.sent().contains(QStringLiteral("STAT")); }));
    QElapsedTimer waited;
    waited.start();
    harness.checker.cancel();
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }, 5000));
    EXPECT_LT(waited.elapsed(), 5000);
    EXPECT_EQ(socket.connections(), 1);
    EXPECT_FALSE(socket.sent().contains(QStringLiteral("QUIT")));
    EXPECT_EQ(lines().last(), QStringLiteral("..Process Halted: Operation Canceled"));
}

TEST_F(ConversationTest, AReplyLineDrippedByteByByteIsAbandonedOnceTheTimeOutHasPassed) {
    struct Drip {
        const char* name;
        // The log-on replies served whole before the dripped line, and the commands they answer.
        bool afterLogOn;
    };
    for (const Drip d : {Drip{"greeting", false}, Drip{"reply to STAT", true}}) {
        SCOPED_TRACE(d.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.options.serverTimeoutMs = 5000;
        run.checker.connection().setTimeoutTickInterval(5);
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        Script drip = d.afterLogOn ? Script::loggedOn().expect("STAT") : Script();
        const QByteArray line = d.afterLogOn ? "+OK 0 0\r\n" : kGreeting + "\r\n";
        for (const char byte : line.first(6))
            drip.serve(QByteArray(1, byte)).pause();
        drip.silence();
        scripted.addScript(1101, drip);
        scripted.addScript(1102, mailbox(0));
        run.checker.checkMailButton();
        // Each byte comes well within the time-out of the one before; the line never ends.
        for (int i = 0; i < 6 && run.checker.phase() != RunPhase::Idle; ++i) {
            ASSERT_TRUE(
                test::waitUntil([&] { return scripted.paused() || scripted.connections() == 2; }));
            if (scripted.connections() == 2)
                break;
            run.clock.advance(2000);
            QTest::qWait(20);
            scripted.resume();
        }
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
        EXPECT_EQ(scripted.connections(), 2);
        EXPECT_EQ(run.view.lines().last(),
                  QStringLiteral("..Check Complete: No New Mail Items -Total Items: 0 - 1 Account "
                                 "Failed: alice@pop.example.org"));
        EXPECT_EQ(run.rowTexts(3).first(),
                  QStringLiteral("The server's reply did not end within 5 seconds"));
        // Abandoned like a silent server, without QUIT.
        EXPECT_EQ(run.view.lines().count(QStringLiteral("...User Connection Closed - Wait...")), 2);
    }
}

// APOP gives up before sending a digest it cannot make: without a secret (looked at first), or
// without the server's timestamp. The conversation ends with QUIT and the run goes on.
TEST_F(ConversationTest, ApopGivesUpWithoutASecretOrATimestampAndTheRunGoesOn) {
    struct Case {
        const char* name;
        QString secret;
        QByteArray greeting;
        QString line;
        QString reason;
    };
    const QString noSecret = QStringLiteral("APOP log-on not possible: no shared secret is set");
    const QString noTimestamp =
        QStringLiteral("APOP log-on not possible: the server's greeting has no timestamp");
    const Case cases[] = {
        {"no secret", QString(), kGreeting, QStringLiteral("APOP Logon Error - No Shared Secret"),
         noSecret},
        {"no secret, no timestamp", QString(), "+OK POP3 ready",
         QStringLiteral("APOP Logon Error - No Shared Secret"), noSecret},
        {"no timestamp", QStringLiteral("tanstaaf"), "+OK POP3 ready",
         QStringLiteral("APOP Logon Error - No Server TimeStamp"), noTimestamp},
        {"no closing bracket", QStringLiteral("tanstaaf"), "+OK POP3 ready <1896.697170952",
         QStringLiteral("APOP Logon Error - No Server TimeStamp"), noTimestamp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocket scripted;
        CheckerHarness run(scripted);
        run.options.useApop = true;
        run.options.apopSecret = c.secret;
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        Script givesUp;
        givesUp.serve(c.greeting + "\r\n").expect("QUIT").serve("+OK bye\r\n");
        scripted.addScript(1101, givesUp);
        Script apop;
        apop.serve(kGreeting + "\r\n").expect("APOP alice c4c9334bac560ecc979e58001b3e22fb");
        apop.serve("+OK\r\n").expect("STAT").serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
        if (!c.secret.isEmpty())
            scripted.addScript(1102, apop);
        else
            scripted.addScript(1102, givesUp);
        ASSERT_TRUE(run.runCheck());
        EXPECT_TRUE(scripted.unexpected().isEmpty());
        const QStringList lines = run.view.lines();
        const qsizetype at = lines.indexOf(c.line);
        ASSERT_GE(at, 0);
        EXPECT_EQ(lines.at(at - 1), QString::fromLatin1(c.greeting));
        EXPECT_EQ(lines.at(at + 1), QStringLiteral("+OK bye"));
        EXPECT_TRUE(run.view.statuses.contains(c.line));
        EXPECT_EQ(scripted.connections(), 2);
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("..Check Complete: ")));
        EXPECT_EQ(run.rowTexts(3).first(), c.reason);
    }
}

} // namespace
} // namespace mervantic
