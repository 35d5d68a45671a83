#include "ScriptedServer.h"

#include "CheckerFixture.h"
#include "platform/ClientSocket.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::ScriptedServer;

const QString kHost = QStringLiteral("127.0.0.1");

// Logs on, reports one message and answers TOP 1 2 with it.
void wellBehaved(QTcpSocket* peer) {
    peer->write("+OK ready\r\n");
    ScriptedServer::answerLines(peer, {{"USER", "+OK\r\n"},
                                       {"PASS", "+OK Logged in.\r\n"},
                                       {"STAT", "+OK 1 40\r\n"},
                                       {"TOP 1 2", "+OK\r\nSubject: fine\r\n\r\nbody\r\n.\r\n"},
                                       {"QUIT", "+OK bye\r\n"}});
}

class ScriptedServerCheck : public ::testing::Test {
protected:
    void addAccount(int port) {
        harness.addAccount(QStringLiteral("Box %1").arg(harness.accounts.count() + 1),
                           QStringLiteral("alice"), QStringLiteral("pw"), kHost, port);
    }

    ClientSocket socket;
    CheckerHarness harness{socket};
    ScriptedServer good{wellBehaved};
};

TEST_F(ScriptedServerCheck, ARealServerThatNeverGreetsIsGivenUpAfterTheTimeOut) {
    ScriptedServer mute([](QTcpSocket*) {});
    harness.options.serverTimeoutMs = 5000;
    harness.checker.connection().setTimeoutTickInterval(10);
    addAccount(mute.port());
    addAccount(good.port());
    harness.checker.checkMailButton();
    ASSERT_TRUE(test::waitUntil([&] { return mute.connections() == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(good.connections(), 0);
    harness.clock.advance(5001);
    ASSERT_TRUE(test::waitUntil([&] { return harness.checker.phase() == RunPhase::Idle; }));
    EXPECT_EQ(harness.rowTexts(3),
              (QStringList{QStringLiteral("No answer from the server within 5 seconds: it sent no "
                                          "greeting at all; port %1 may expect TLS from the "
                                          "start (choose TLS as the account's security)")
                               .arg(mute.port()),
                           QStringLiteral("fine")}));
}

TEST_F(ScriptedServerCheck, AResetInTheMiddleOfAMessageMovesOnAtOnce) {
    ScriptedServer breaking([](QTcpSocket* peer) {
        peer->write("+OK ready\r\n");
        ScriptedServer::answerLines(
            peer, {{"USER", "+OK\r\n"}, {"PASS", "+OK Logged in.\r\n"}, {"STAT", "+OK 2 40\r\n"}},
            [](QTcpSocket* server, const QByteArray& line) {
                if (!line.startsWith("TOP"))
                    return false;
                // Half a message, then a reset.
                server->write("+OK\r\nSubject: half\r\nFrom: a");
                server->flush();
                QTimer::singleShot(20, server, [server] { ScriptedServer::reset(server); });
                return true;
            });
    });
    addAccount(breaking.port());
    addAccount(good.port());
    // The clock stands still: only the reset itself can move the run on.
    ASSERT_TRUE(harness.runCheck(10000));
    // A reset is a socket error, logged as one, not a close by the server.
    const QStringList lines = harness.view.lines();
    const qsizetype error = lines.indexOf(QStringLiteral("..Winsock1 Error"));
    ASSERT_GE(error, 0);
    EXPECT_EQ(lines.at(error - 1), QStringLiteral("..Checking For Mail"));
    EXPECT_EQ(harness.rowTexts(3), (QStringList{QStringLiteral("The server reset the connection"),
                                                QStringLiteral("fine")}));
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral(
                  "..Check Complete: 1 New Mail Item -Total Items: 1 - 1 Account Failed: Box 1"));
}

TEST_F(ScriptedServerCheck, RepliesSplitIntoSeparateSegmentsInsideTheirLineEndsAreRead) {
    ScriptedServer slow([](QTcpSocket* peer) {
        peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        peer->write("+OK rea");
        peer->flush();
        QTimer::singleShot(30, peer, [peer] {
            peer->write("dy\r");
            peer->flush();
            QTimer::singleShot(30, peer, [peer] {
                peer->write("\n");
                ScriptedServer::answerLines(peer, {{"USER", "+OK\r\n"},
                                                   {"PASS", "+OK Logged in.\r\n"},
                                                   {"STAT", "+OK 0 0\r\n"},
                                                   {"QUIT", "+OK bye\r\n"}});
            });
        });
    });
    addAccount(slow.port());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(harness.view.lines().contains(QStringLiteral("+OK ready")));
    EXPECT_TRUE(harness.view.lines().contains(QStringLiteral("+OK Logged in.")));
    EXPECT_EQ(harness.mail.count(), 1);
    EXPECT_TRUE(harness.mail.at(1).isNoMail());
}

TEST_F(ScriptedServerCheck, AnEndlessMessageIsGivenUpWithoutHoldingItInMemory) {
    ScriptedServer endless([](QTcpSocket* peer) {
        peer->write("+OK ready\r\n");
        ScriptedServer::answerLines(peer, {{"USER", "+OK\r\n"},
                                           {"PASS", "+OK Logged in.\r\n"},
                                           {"STAT", "+OK 1 40\r\n"},
                                           {"TOP", "+OK\r\nSubject: endless\r\n\r\n"}});
        auto* pump = new QTimer(peer);
        QObject::connect(pump, &QTimer::timeout, peer, [peer] {
            if (peer->bytesToWrite() < 1024 * 1024)
                peer->write(QByteArray(64 * 1024, 'z') + "\r\n");
        });
        pump->start(1);
    });
    harness.options.serverTimeoutMs = 5000;
    harness.checker.connection().setTimeoutTickInterval(10);
    harness.checker.connection().setLongestMessageReply(16 * 1024 * 1024);
    addAccount(endless.port());
    addAccount(good.port());
    // Time goes on in steps shorter than the time-out while the data streams in.
    QTimer clockHand;
    QObject::connect(&clockHand, &QTimer::timeout, [&] { harness.clock.advance(1000); });
    clockHand.start(20);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.rowTexts(3),
              (QStringList{QStringLiteral("The server's reply to a message went on past 16 MB "
                                          "without its end"),
                           QStringLiteral("fine")}));
}

} // namespace
} // namespace mervantic
