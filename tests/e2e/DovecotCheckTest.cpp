#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "platform/ClientSocket.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::DovecotServer;

QByteArray message(const QByteArray& from, const QByteArray& subject, const QByteArray& date,
                   const QByteArray& id) {
    return "Return-Path: <" + from + ">\r\nFrom: " + from +
           "\r\nTo: someone@example.org\r\n"
           "Subject: " +
           subject + "\r\nDate: " + date + "\r\nMessage-ID: " + id +
           "\r\n\r\nHello,\r\nthis is the body.\r\nThird line.\r\n";
}

// Greetings carry a timestamp that changes with every connection.
QStringList withoutTimestamps(QStringList lines) {
    static const QRegularExpression greeting(QStringLiteral("^\\+OK Dovecot .*ready\\. <[^>]+>$"));
    for (QString& line : lines) {
        if (greeting.match(line).hasMatch())
            line = QStringLiteral("<greeting>");
    }
    return lines;
}

class DovecotCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isRunning()) << server.why().toStdString();
        prefix = QStringLiteral("t%1").arg(++s_test);
    }

    QString user(const char* name) const { return prefix + QLatin1String(name); }

    // A user with `count` messages.
    QString mailbox(const char* name, int count, const QString& password = QStringLiteral("pw")) {
        const QString login = user(name);
        server.addUser(login, password);
        for (int n = 1; n <= count; ++n)
            server.deliver(
                login,
                message(login.toLatin1() + "-sender" + QByteArray::number(n) + "@example.org",
                        "Subject " + QByteArray::number(n) + " for " + login.toLatin1(),
                        "Mon, 4 Jan 2003 09:15:0" + QByteArray::number(n % 10) + " -0500",
                        "<" + QByteArray::number(n) + "." + login.toLatin1() + "@example.org>"));
        return login;
    }

    DovecotServer& server = DovecotServer::shared();
    ClientSocket socket;
    CheckerHarness harness{socket};
    QString prefix;
    static inline int s_test = 0;
};

const QString kHost = QStringLiteral("127.0.0.1");

TEST_F(DovecotCheck, ARunOverGoodAndBadAccountsLogsEveryStepAndCountsTheMessages) {
    const QString alice = mailbox("alice", 2);
    const QString bob = mailbox("bob", 1);
    const QString carol = mailbox("carol", 0);
    const QString dave = mailbox("dave", 3);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    harness.addAccount(QStringLiteral("Bob"), bob, QStringLiteral("wrong"), kHost, server.port());
    harness.addAccount(QStringLiteral("Carol"), carol, QStringLiteral("pw"), kHost, server.port());
    const int nowhere = test::freePort();
    harness.addAccount(QStringLiteral("Nobody"), QStringLiteral("x"), QStringLiteral("pw"), kHost,
                       nowhere);
    harness.addAccount(QStringLiteral("Dave"), dave, QStringLiteral("pw"), kHost, server.port());
    ASSERT_TRUE(harness.runCheck());

    const auto account = [&](const QString& name, const QString& login, int port) {
        return QStringLiteral("..Account: %1 (User %2, Server 127.0.0.1, Port %3)")
            .arg(name, login)
            .arg(port);
    };
    const QStringList conversation = {QStringLiteral("..Connected-ServerIP: 127.0.0.1"),
                                      QStringLiteral("<greeting>"),
                                      QStringLiteral("+OK Logged in."),
                                      QStringLiteral("..Checking For Mail"),
                                      QStringLiteral("+OK Logging out."),
                                      QStringLiteral("...User Connection Closed - Wait...")};
    const QString refused =
        QStringLiteral("Connection refused: no POP3 server answers at 127.0.0.1, port %1")
            .arg(nowhere);
    QStringList expected{QStringLiteral("..Beginning Process To Check For Mail")};
    expected << account(QStringLiteral("Alice"), alice, server.port()) << conversation;
    expected << account(QStringLiteral("Bob"), bob, server.port())
             << QStringLiteral("..Connected-ServerIP: 127.0.0.1") << QStringLiteral("<greeting>")
             << QStringLiteral("Password Logon Error: -ERR [AUTH] Authentication failed.")
             << QStringLiteral("...User Connection Closed - Wait...");
    expected << account(QStringLiteral("Carol"), carol, server.port()) << conversation;
    expected << account(QStringLiteral("Nobody"), QStringLiteral("x"), nowhere)
             << QStringLiteral("..Winsock1 Error") << QStringLiteral("..") + refused
             << QStringLiteral("..Not Connected")
             << QStringLiteral("...User Connection Closed - Wait...");
    expected << account(QStringLiteral("Dave"), dave, server.port()) << conversation;
    expected << QStringLiteral(
        "..Check Complete: 5 New Mail Items -Total Items: 5 - 2 Accounts Failed: Bob, Nobody");
    EXPECT_EQ(withoutTimestamps(harness.view.lines()), expected);

    // Each failed account has its row, in its place, saying why.
    EXPECT_EQ(harness.rowTexts(0),
              (QStringList{"Alice", "Alice", "Bob", "Carol", "Nobody", "Dave", "Dave", "Dave"}));
    EXPECT_EQ(
        harness.rowTexts(2),
        (QStringList{alice + "-sender1@example.org", alice + "-sender2@example.org",
                     "(check failed)", "(no mail)", "(check failed)", dave + "-sender1@example.org",
                     dave + "-sender2@example.org", dave + "-sender3@example.org"}));
    EXPECT_EQ(harness.rowTexts(3).at(2),
              QStringLiteral("Wrong user name or password: [AUTH] Authentication failed."));
    EXPECT_EQ(harness.rowTexts(3).at(4), refused);
    EXPECT_EQ(harness.rowTexts(3).at(6), "Subject 2 for " + dave);
    EXPECT_EQ(harness.rowTexts(4).at(0), QStringLiteral("Mon, 4 Jan 2003 09:15:01 -0500"));
    EXPECT_EQ(harness.rowTexts(7).at(7), "<3." + dave + "@example.org>");
    EXPECT_EQ(harness.rowTexts(5).at(0), kHost);
    EXPECT_EQ(harness.rowTexts(6).at(0), QString::number(server.port()));
    QStringList keys;
    for (const MailItem& item : harness.mail.rows())
        keys << item.key();
    EXPECT_EQ(keys, (QStringList{"K1Ppw", "K2Ppw", "", "", "", "K6Ppw", "K7Ppw", "K8Ppw"}));
    EXPECT_TRUE(harness.view.messages.isEmpty());
}

TEST_F(DovecotCheck, TopAndRetrListTheSameHeaders) {
    const QString alice = mailbox("alice", 3);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    ASSERT_TRUE(harness.runCheck());
    const QStringList topSubjects = harness.rowTexts(3);
    const QStringList topBlocks = harness.view.rawBlocks;

    harness.options.useRetr = true;
    harness.view.rawBlocks.clear();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.rowTexts(3), topSubjects);
    ASSERT_EQ(topBlocks.size(), 3);
    ASSERT_EQ(harness.view.rawBlocks.size(), 3);
    // TOP n 2 brings the headers and two body lines; RETR the whole message.
    EXPECT_TRUE(
        topBlocks.at(0).endsWith(QStringLiteral("\r\n\r\nHello,\r\nthis is the body.\r\n")));
    EXPECT_TRUE(harness.view.rawBlocks.at(0).endsWith(QStringLiteral("Third line.\r\n")));
}

TEST_F(DovecotCheck, ApopLogsOnWithThePasswordOrTheSharedSecret) {
    const QString alice = mailbox("alice", 1, QStringLiteral("tanstaaf"));
    harness.options.useApop = true;
    harness.options.passwordsAsSecrets = true;
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("tanstaaf"), kHost,
                       server.port());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(harness.view.lines().contains(QStringLiteral("+OK Logged in.")));
    EXPECT_EQ(harness.mail.count(), 1);

    harness.options.passwordsAsSecrets = false;
    harness.options.apopSecret = QStringLiteral("tanstaaf");
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.mail.count(), 1);

    harness.options.apopSecret = QStringLiteral("not it");
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(
        harness.view.lines().contains(QStringLiteral("-ERR [AUTH] Authentication failed.")));
    ASSERT_EQ(harness.mail.count(), 1);
    EXPECT_EQ(harness.mail.at(1).subject(),
              QStringLiteral("The server refused the APOP log-on (wrong user name or secret): "
                             "[AUTH] Authentication failed."));
}

TEST_F(DovecotCheck, CancelEmptiesTheListAndLeavesTheRemainingAccounts) {
    const QString alice = mailbox("alice", 3);
    const QString bob = mailbox("bob", 2);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    harness.addAccount(QStringLiteral("Bob"), bob, QStringLiteral("pw"), kHost, server.port());
    QObject::connect(&harness.mail, &MailList::appended, [this] { harness.checker.cancel(); });
    ASSERT_TRUE(harness.runCheck());
    const QStringList lines = harness.view.lines();
    EXPECT_EQ(lines.count(QStringLiteral("..Connected-ServerIP: 127.0.0.1")), 1);
    EXPECT_EQ(lines.last(), QStringLiteral("..Process Halted: Operation Canceled"));
    EXPECT_EQ(harness.view.messages,
              QStringList{QStringLiteral("Process Halted: Operation Canceled")});
    EXPECT_EQ(harness.mail.count(), 0);
    // The conversation was ended with QUIT, so the server kept every message.
    EXPECT_EQ(server.mailbox(alice).size(), 3);
}

TEST_F(DovecotCheck, LosingTheConnectionBetweenAccountsHaltsTheRun) {
    const QString alice = mailbox("alice", 1);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    harness.addAccount(QStringLiteral("Alice again"), alice, QStringLiteral("pw"), kHost,
                       server.port());
    harness.connectivity.setAnswers({true, false});
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Process Halted: Not Connected To The Internet"));
    EXPECT_EQ(harness.mail.count(), 1); // the rows found so far stay
}

TEST_F(DovecotCheck, DatesAreShownAsSentOrInEachLocalFormat) {
    const QString alice = mailbox("alice", 1);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    // This test program runs in UTC with the C locale.
    const std::pair<int, QString> formats[] = {
        {1, QStringLiteral("Mon, 4 Jan 2003 09:15:01 -0500")},
        {2, QStringLiteral("4 Jan 2003 14:15:01")},
        {3, QStringLiteral("Saturday, 4 January 2003 14:15:01")},
        {4, QStringLiteral("Sat Jan 4 2003 2:15 PM")},
        {5, QStringLiteral("Jan 4 2003 2:15 PM")},
    };
    for (const auto& [format, shown] : formats) {
        harness.options.dateFormat = format;
        ASSERT_TRUE(harness.runCheck());
        EXPECT_EQ(harness.rowTexts(4), QStringList{shown}) << format;
        // kept after the run: the delete run formats dates the way this check did
        EXPECT_EQ(harness.checker.checkRunFields().runDateFormat, format);
    }
}

TEST_F(DovecotCheck, ASecondCheckKeepsSeenRowsSeenAndFindsNewMail) {
    const QString alice = mailbox("alice", 3);
    const QString bob = mailbox("bob", 0);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    harness.addAccount(QStringLiteral("Bob"), bob, QStringLiteral("pw"), kHost, server.port());
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: 3 New Mail Items -Total Items: 3"));

    // The user has seen the first two; the third stays new.
    harness.mail.setIcon(1, MailIcon::Seen);
    harness.mail.setIcon(2, MailIcon::Seen);
    server.deliver(alice, message("late@example.org", "Arrived between the checks",
                                  "Tue, 15 Jul 2003 12:00:00 +0000", "<late@example.org>"));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: 2 New Mail Items -Total Items: 4"));
    QList<int> icons;
    QStringList keys;
    for (const MailItem& item : harness.mail.rows()) {
        icons << static_cast<int>(item.icon);
        keys << item.key();
    }
    EXPECT_EQ(icons, (QList<int>{1, 1, 2, 2, 1}));
    EXPECT_EQ(keys, (QStringList{"K1Ppw", "K2Ppw", "K3Ppw", "K4Ppw", ""}));
    EXPECT_EQ(harness.rowTexts(3).at(3), QStringLiteral("Arrived between the checks"));
    EXPECT_TRUE(harness.mail.at(5).isNoMail());
}

TEST_F(DovecotCheck, ChangingTheDateFormatBetweenTwoChecksKeepsSeenMailSeen) {
    const QString alice = mailbox("alice", 2);
    harness.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    harness.options.dateFormat = 1;
    ASSERT_TRUE(harness.runCheck());
    harness.mail.markAllSeen();
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: No New Mail Items -Total Items: 2"));
    // A message is recognised by its date as sent, not as shown: another display is no news.
    harness.options.dateFormat = 5;
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(harness.view.lines().last(),
              QStringLiteral("..Check Complete: No New Mail Items -Total Items: 2"));
    EXPECT_EQ(harness.rowTexts(4).first(), QStringLiteral("Jan 4 2003 2:15 PM"));
}

} // namespace
} // namespace mervantic
