// A run pauses before each connection, while it connects and while a closed connection winds
// down. Each pause is a moment of the one event loop: a cancel, the window's close or a timer
// tick delivered there is handled as at any other moment, and the run never nests one account's
// handling inside another's.
#include "CheckerFixture.h"
#include "ProbingApplication.h"
#include "ScriptedSocket.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::ProbingApplication;
using test::Script;
using test::ScriptedSocket;

QByteArray topReply(int n) {
    return "+OK\r\nSubject: Message " + QByteArray::number(n) + "\r\n\r\nbody\r\n.\r\n";
}

Script oneMessage() {
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 1 100\r\n").expect("TOP 1 2").serve(topReply(1));
    script.expect("QUIT").serve("+OK Logging out.\r\n");
    return script;
}

enum class Pause { BeforeConnecting, Connecting, CloseWait };
enum class Event { Cancel, WindowClose, TimeoutTick };

const QString kBegin = QStringLiteral("..Beginning Process To Check For Mail");
const QString kFirst = QStringLiteral("..Account: (User alice, Server pop.example.org, Port 1101)");
const QString kSecond =
    QStringLiteral("..Account: (User alice, Server pop.example.org, Port 1102)");
const QString kConnected = QStringLiteral("..Connected-ServerIP: 127.0.0.1");
const QString kGreeting = QStringLiteral("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>");
const QString kLoggedIn = QStringLiteral("+OK Logged in.");
const QString kChecking = QStringLiteral("..Checking For Mail");
const QString kBye = QStringLiteral("+OK Logging out.");
const QString kClosed = QStringLiteral("...User Connection Closed - Wait...");
const QString kCanceled = QStringLiteral("..Process Halted: Operation Canceled");
const QStringList kAccountRead = {kConnected, kGreeting, kLoggedIn, kChecking, kBye, kClosed};
const QStringList kNotConnected = {
    QStringLiteral("..Winsock1 Error"),
    QStringLiteral("..No answer from pop.example.org within 5 seconds"),
    QStringLiteral("..Not Connected"), kClosed};

struct PauseCase {
    const char* name;
    Pause pause;
    Event event;
    QStringList log;
    // What the list holds at the end, and whether a message box said the run halted.
    int rows;
    bool haltMessage;
};

QStringList joined(std::initializer_list<QStringList> parts) {
    QStringList all;
    for (const QStringList& part : parts)
        all.append(part);
    return all;
}

TEST(RunPauses, AnEventAtAnyPauseIsHandledFromTheOneEventLoop) {
    const QString complete2 = QStringLiteral("..Check Complete: 2 New Mail Items -Total Items: 2");
    const QString complete1 = QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1 - "
                                             "1 Account Failed: alice@pop.example.org");
    const QStringList first = {kBegin, kFirst};
    const std::vector<PauseCase> cases = {
        // A cancel before the connection stops the run there: nothing is connected.
        {"cancel before connecting", Pause::BeforeConnecting, Event::Cancel,
         joined({first, QStringList{kCanceled}}), 0, true},
        {"close before connecting", Pause::BeforeConnecting, Event::WindowClose,
         joined({first, QStringList{kCanceled}}), 0, false},
        {"tick before connecting", Pause::BeforeConnecting, Event::TimeoutTick,
         joined({first, kAccountRead, QStringList{kSecond}, kAccountRead, QStringList{complete2}}),
         2, false},
        // A connection attempt is given up at once.
        {"cancel while connecting", Pause::Connecting, Event::Cancel,
         joined({first, QStringList{kCanceled}}), 0, true},
        {"close while connecting", Pause::Connecting, Event::WindowClose,
         joined({first, QStringList{kCanceled}}), 0, false},
        // A tick does not end an attempt: its time-out does, and the account's row says so.
        {"tick while connecting", Pause::Connecting, Event::TimeoutTick,
         joined({first, kNotConnected, QStringList{kSecond}, kAccountRead, QStringList{complete1}}),
         2, false},
        // In the close wait the account is done; the run halts when it would move on.
        {"cancel in the close wait", Pause::CloseWait, Event::Cancel,
         joined({first, kAccountRead, QStringList{kCanceled}}), 0, true},
        {"close in the close wait", Pause::CloseWait, Event::WindowClose,
         joined({first, kAccountRead, QStringList{kCanceled}}), 0, false},
        {"tick in the close wait", Pause::CloseWait, Event::TimeoutTick,
         joined({first, kAccountRead, QStringList{kSecond}, kAccountRead, QStringList{complete2}}),
         2, false},
    };
    for (const PauseCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSocket socket;
        CheckerHarness run(socket);
        // Short real pauses, so that the test can act inside them.
        run.checker.connection().setSettleWaitMs(20);
        run.checker.connection().setCloseWaitMs(20);
        run.options.serverTimeoutMs = 5000;
        for (const int port : {1101, 1102})
            run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("pop.example.org"), port);
        socket.addScript(1101,
                         c.pause == Pause::Connecting ? Script().neverConnects() : oneMessage());
        socket.addScript(1102, oneMessage());

        bool delivered = false;
        const auto deliver = [&] {
            delivered = true;
            switch (c.event) {
            case Event::Cancel:
                run.checker.cancel();
                break;
            case Event::WindowClose:
                run.checker.stopForClose();
                break;
            case Event::TimeoutTick:
                run.checker.connection().timeoutTick();
                break;
            }
        };
        // The moment comes as a line is logged; the event arrives on the next turn of the loop.
        const QString trigger = c.pause == Pause::CloseWait ? kBye : kFirst;
        run.view.onLog = [&](const QString& line) {
            if (line == trigger && !delivered && c.pause != Pause::Connecting)
                QTimer::singleShot(0, deliver);
        };

        ProbingApplication::resetDeepest();
        run.checker.checkMailButton();
        if (c.pause == Pause::Connecting) {
            ASSERT_TRUE(test::waitUntil([&] { return socket.connections() == 1; }));
            deliver();
            run.clock.advance(5001);
        }
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
        EXPECT_TRUE(delivered);
        EXPECT_EQ(run.view.lines(), c.log);
        EXPECT_EQ(run.mail.count(), c.rows);
        EXPECT_EQ(run.view.messages.contains(QStringLiteral("Process Halted: Operation Canceled")),
                  c.haltMessage);
        EXPECT_TRUE(socket.unexpected().isEmpty());
        // No handler ever ran inside another's delivery: no account's wait held the next one.
        EXPECT_EQ(ProbingApplication::deepest(), 1);
    }
}

TEST(RunPauses, ManyUnreachableAccountsNeverNestTheirWaits) {
    ScriptedSocket socket;
    CheckerHarness run(socket);
    for (int port = 1101; port <= 1110; ++port)
        run.addAccount(QString(), QStringLiteral("alice"), QStringLiteral("secret"),
                       QStringLiteral("pop.example.org"), port);
    socket.addScript(1110, oneMessage());
    // Off-line at the first account: the dial-up question is answered later, from the loop.
    run.connectivity.setAnswers({false, true});
    ProbingApplication::resetDeepest();
    ASSERT_TRUE(run.runCheck());
    EXPECT_EQ(socket.connections(), 10);
    EXPECT_EQ(run.view.questions.size(), 1);
    EXPECT_EQ(
        run.view.lines().last(),
        QStringLiteral(
            "..Check Complete: 1 New Mail Item -Total Items: 1 - 9 Accounts Failed: "
            "alice@pop.example.org, alice@pop.example.org, alice@pop.example.org and 6 More"));
    EXPECT_EQ(ProbingApplication::deepest(), 1);
}

} // namespace
} // namespace mervantic
