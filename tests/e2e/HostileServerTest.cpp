// Servers that misbehave on purpose, over real loopback sockets: each ends its own account in
// bounded time and memory, no log line grows without end, and the next account (on a real
// Dovecot) is always checked.
#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "ScriptedServer.h"
#include "platform/ClientSocket.h"

#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::DovecotServer;
using test::ScriptedServer;

const QString kHost = QStringLiteral("127.0.0.1");
const std::map<QByteArray, QByteArray> kLogOn = {
    {"USER", "+OK\r\n"}, {"PASS", "+OK Logged in.\r\n"}, {"QUIT", "+OK bye\r\n"}};

// Writes `total` bytes made by `piece` as the socket takes them, without holding them all.
void pump(QTcpSocket* peer, qint64 total, std::function<QByteArray()> piece, QByteArray end = {}) {
    auto* timer = new QTimer(peer);
    auto* sent = new qint64(0);
    QObject::connect(timer, &QTimer::destroyed, [sent] { delete sent; });
    QObject::connect(timer, &QTimer::timeout, peer, [=] {
        if (peer->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        while (peer->bytesToWrite() < 1024 * 1024 && (total < 0 || *sent < total)) {
            const QByteArray bytes = piece();
            peer->write(bytes);
            *sent += bytes.size();
        }
        if (total >= 0 && *sent >= total) {
            peer->write(end);
            timer->stop();
        }
    });
    timer->start(0);
}

// Sends `bytes` one at a time, moving the program's clock on by two seconds before each.
void drip(QTcpSocket* peer, QByteArray bytes, test::FakeClock& clock) {
    auto* timer = new QTimer(peer);
    auto* next = new qsizetype(0);
    QObject::connect(timer, &QTimer::destroyed, [next] { delete next; });
    QObject::connect(timer, &QTimer::timeout, peer, [=, &clock] {
        // Time moves only while this server holds the program's attention.
        if (*next >= bytes.size() || peer->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        clock.advance(2000);
        peer->write(bytes.mid((*next)++, 1));
    });
    timer->start(5);
}

// A server that logs anyone on and holds one message, whose TOP reply `top` writes.
void oneMessage(QTcpSocket* peer, std::function<void(QTcpSocket*)> top) {
    peer->write("+OK ready\r\n");
    auto replies = kLogOn;
    replies["STAT"] = "+OK 1 40\r\n";
    ScriptedServer::answerLines(peer, replies, [top](QTcpSocket* p, const QByteArray& line) {
        if (!line.startsWith("TOP"))
            return false;
        top(p);
        return true;
    });
}

struct Hostile {
    const char* name;
    std::function<void(QTcpSocket*, CheckerHarness&)> behaviour;
    // A line the log must hold when the account has ended, and the message rows it leaves in
    // the list.
    QString ends;
    int rows;
    // What the account's failure row says; nothing when the account was read to its end.
    QString failure;
    std::function<void(CheckerHarness&)> prepare = {};
};

TEST(HostileServers, EachEndsItsOwnAccountAndTheNextAccountIsChecked) {
    DovecotServer& dovecot = DovecotServer::shared();
    ASSERT_TRUE(dovecot.isRunning()) << dovecot.why().toStdString();
    dovecot.addUser(QStringLiteral("afterhostile"), QStringLiteral("pw"));
    dovecot.deliver(QStringLiteral("afterhostile"),
                    "From: a@example.org\r\nSubject: checked after\r\n\r\nbody\r\n");
    const QString closed = QStringLiteral("...User Connection Closed - Wait...");
    const QString tooSlow = QStringLiteral("The server's reply did not end within 5 seconds");
    const QString messageTooSlow =
        QStringLiteral("The server sent a message too slowly: less than 1024 bytes in 5 seconds");
    // A dripping server may also be caught silent between two bytes: either time-out will do.
    const QString timedOut = QStringLiteral("<either time-out>");
    const std::vector<Hostile> table = {
        {"a 10 MB greeting without CR LF",
         [](QTcpSocket* peer, CheckerHarness&) {
             peer->write("+OK ");
             pump(peer, 10 * 1024 * 1024, [] { return QByteArray(64 * 1024, 'g'); });
         },
         QStringLiteral("Chopped To 240 Chrs: +OK ") + QString(236, QLatin1Char('g')), 0,
         QStringLiteral("The server sent a reply that is not POP3: ") + QString(200, u'g')},
        {"a TOP reply that never ends",
         [](QTcpSocket* peer, CheckerHarness& run) {
             oneMessage(peer, [&run](QTcpSocket* p) {
                 p->write("+OK\r\nSubject: endless\r\n\r\n");
                 pump(p, -1, [&run] {
                     run.clock.advance(1000);
                     return QByteArray(64 * 1024, 'z') + "\r\n";
                 });
             });
         },
         closed, 0,
         QStringLiteral("The server's reply to a message went on past 256 MB without its end")},
        // A large message on a slow link: 64 KB a second for 40 seconds, eight time-outs long,
        // is still arriving at a pace and is read to its end.
        {"a TOP reply arriving slowly but steadily for 40 s",
         [](QTcpSocket* peer, CheckerHarness& run) {
             oneMessage(peer, [&run](QTcpSocket* p) {
                 p->write("+OK\r\nSubject: slow link\r\n\r\n");
                 pump(
                     p, 40 * 64 * 1024,
                     [&run] {
                         run.clock.advance(1000);
                         return QByteArray(64 * 1024 - 2, 's') + "\r\n";
                     },
                     ".\r\n");
             });
         },
         QStringLiteral("+OK bye"), 1, QString()},
        {"a 200 MB TOP reply with its end",
         [](QTcpSocket* peer, CheckerHarness&) {
             oneMessage(peer, [](QTcpSocket* p) {
                 p->write("+OK\r\nSubject: huge\r\n\r\n");
                 pump(
                     p, 200 * 1024 * 1024, [] { return QByteArray(1023, 'h') + "\r\n"; }, ".\r\n");
             });
         },
         QStringLiteral("+OK bye"), 1, QString()},
        {"a header block over 1 MB",
         [](QTcpSocket* peer, CheckerHarness&) {
             oneMessage(peer, [](QTcpSocket* p) {
                 p->write("+OK\r\nSubject: endless headers\r\nX-Pad: ");
                 pump(
                     p, 1536 * 1024, [] { return QByteArray(64 * 1024, 'p'); },
                     "\r\n\r\nbody\r\n.\r\n");
             });
         },
         QStringLiteral("..Message 1: Header Block Over 1 MB, Listed As Far As It Was Read"), 1,
         QString()},
        {"2,000,000,000 messages of a few bytes",
         [](QTcpSocket* peer, CheckerHarness&) {
             peer->write("+OK ready\r\n");
             auto replies = kLogOn;
             replies["STAT"] = "+OK 2000000000 1\r\n";
             replies["TOP"] = "+OK\r\nSubject: s\r\n\r\n.\r\n";
             ScriptedServer::answerLines(peer, replies);
         },
         QStringLiteral("..Mail List Full: The Remaining Messages Are Not Listed"), 40,
         QStringLiteral("The mail list is full: the remaining messages of this account are not "
                        "listed"),
         [](CheckerHarness& run) {
             MailList scratch;
             scratch.addMessageRow(QStringLiteral("Hostile"), QStringLiteral("alice"),
                                   QStringLiteral("pw"), QString(), QStringLiteral("s"), QString(),
                                   kHost, QStringLiteral("00000"), QString());
             run.mail.setMemoryBudget(scratch.memoryCost() * 40);
         }},
        {"NUL and 0xFF bytes in the headers",
         [](QTcpSocket* peer, CheckerHarness&) {
             oneMessage(peer, [](QTcpSocket* p) {
                 static const char kReply[] =
                     "+OK\r\nFrom: \xff\xfe\r\nSubject: a\0b\xff\r\nDate: \0\r\n\r\n.\r\n";
                 p->write(kReply, sizeof kReply - 1);
             });
         },
         QStringLiteral("+OK bye"), 1, QString()},
        {"a greeting dripped a byte every 2 s",
         [](QTcpSocket* peer, CheckerHarness& run) { drip(peer, "+OK ready\r\n", run.clock); },
         closed, 0, timedOut},
        {"a reply to PASS dripped a byte every 2 s",
         [](QTcpSocket* peer, CheckerHarness& run) {
             peer->write("+OK ready\r\n");
             ScriptedServer::answerLines(peer, {{"USER", "+OK\r\n"}},
                                         [&run](QTcpSocket* p, const QByteArray& line) {
                                             if (!line.startsWith("PASS"))
                                                 return false;
                                             drip(p, "+OK Logged in.\r\n", run.clock);
                                             return true;
                                         });
         },
         QStringLiteral("+OK ready"), 0, timedOut},
        {"a TOP reply dripped a byte every 2 s",
         [](QTcpSocket* peer, CheckerHarness& run) {
             oneMessage(peer, [&run](QTcpSocket* p) {
                 drip(p, "+OK\r\nSubject: slowly, slowly, slowly\r\n\r\n.\r\n", run.clock);
             });
         },
         QStringLiteral("..Checking For Mail"), 0, timedOut},
        {"a reset in the middle of a reply",
         [](QTcpSocket* peer, CheckerHarness&) {
             oneMessage(peer, [](QTcpSocket* p) {
                 p->write("+OK\r\nSubject: half");
                 p->flush();
                 QTimer::singleShot(20, p, [p] { ScriptedServer::reset(p); });
             });
         },
         QStringLiteral("..Winsock1 Error"), 0, QStringLiteral("The server reset the connection")},
        {"a close right after the greeting",
         [](QTcpSocket* peer, CheckerHarness&) {
             peer->write("+OK ready\r\n");
             peer->flush();
             peer->disconnectFromHost();
         },
         closed, 0, QStringLiteral("The server closed the connection")},
        {"a 100 KB APOP timestamp",
         [](QTcpSocket* peer, CheckerHarness&) {
             const QByteArray greeting = "+OK <" + QByteArray(100 * 1024, 't') + "@x>\r\n";
             peer->write(greeting.first(8192));
             peer->flush();
             QTimer::singleShot(50, peer, [peer, greeting] { peer->write(greeting.mid(8192)); });
             ScriptedServer::answerLines(peer, kLogOn);
         },
         QStringLiteral("APOP Logon Error - No Server TimeStamp"), 0,
         QStringLiteral("APOP log-on not possible: the server's greeting has no timestamp"),
         [](CheckerHarness& run) {
             // Each account's password is its secret: Dovecot's after the hostile one logs on.
             run.options.useApop = true;
             run.options.passwordsAsSecrets = true;
         }},
    };
    for (const Hostile& h : table) {
        SCOPED_TRACE(h.name);
        ClientSocket socket;
        CheckerHarness run(socket);
        run.options.serverTimeoutMs = 5000;
        run.checker.connection().setTimeoutTickInterval(5);
        run.checker.connection().setLongestMessageReply(256 * 1024 * 1024);
        if (h.prepare)
            h.prepare(run);
        ScriptedServer hostile([&](QTcpSocket* peer) { h.behaviour(peer, run); });
        run.addAccount(QStringLiteral("Hostile"), QStringLiteral("alice"), QStringLiteral("pw"),
                       kHost, hostile.port());
        run.addAccount(QStringLiteral("Dovecot"), QStringLiteral("afterhostile"),
                       QStringLiteral("pw"), kHost, dovecot.port());
        ASSERT_TRUE(run.runCheck(60000));
        const QStringList lines = run.view.lines();
        EXPECT_TRUE(lines.contains(h.ends))
            << lines.join(QLatin1Char('\n')).left(2000).toStdString();
        // The next account was checked, whatever the first one did.
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("..Check Complete: ")));
        ASSERT_GE(run.mail.count(), 1);
        EXPECT_EQ(run.mail.at(run.mail.count()).subject(), QStringLiteral("checked after"));
        int messages = 0;
        QStringList failures;
        for (const MailItem& item : run.mail.rows()) {
            messages += item.isMessage() ? 1 : 0;
            if (item.isFailure())
                failures << item.subject();
        }
        EXPECT_EQ(messages - 1, h.rows);
        if (h.failure == timedOut) {
            ASSERT_EQ(failures.size(), 1);
            EXPECT_TRUE(failures.first() == tooSlow || failures.first() == messageTooSlow ||
                        failures.first() ==
                            QStringLiteral("No answer from the server within 5 seconds"))
                << failures.first().toStdString();
        } else {
            EXPECT_EQ(failures, h.failure.isEmpty() ? QStringList() : QStringList{h.failure});
        }
        for (const QString& line : lines)
            EXPECT_LE(line.size(), 262) << line.left(80).toStdString();
    }
}

} // namespace
} // namespace mervantic
