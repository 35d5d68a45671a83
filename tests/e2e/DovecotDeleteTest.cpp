// The delete run against a real Dovecot: exactly the ticked messages leave the server, in every
// arrangement of rows, and nothing leaves it unless the server accepted QUIT.
#include "CheckerFixture.h"
#include "CuttingProxy.h"
#include "DovecotServer.h"
#include "platform/ClientSocket.h"

#include <QRegularExpression>

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::CuttingProxy;
using test::DovecotServer;

const QString kHost = QStringLiteral("127.0.0.1");

class DovecotDelete : public ::testing::Test {
public:
    void SetUp() override { ASSERT_TRUE(server.isRunning()) << server.why().toStdString(); }

    // A user of this test with the given messages; equal subjects are identical messages.
    QString mailbox(const QString& name, const QStringList& subjects) {
        const QString login = QStringLiteral("d%1%2").arg(++s_users).arg(name);
        server.addUser(login, QStringLiteral("pw"));
        for (const QString& subject : subjects)
            deliver(login, subject);
        return login;
    }
    void deliver(const QString& login, const QString& subject) {
        const QByteArray id = subject.toLatin1() + "." + login.toLatin1() + "@example.org";
        server.deliver(login, "From: " + login.toLatin1() +
                                  "-sender@example.org\r\nSubject: " + subject.toLatin1() +
                                  "\r\nDate: Mon, 4 Jan 2003 09:15:00 -0500\r\nMessage-ID: <" + id +
                                  ">\r\n\r\nbody\r\n");
    }
    // The subjects of the messages left in a user's maildir, in their order.
    QStringList onServer(const QString& login) const {
        static const QRegularExpression subject(QStringLiteral("Subject: ([^\\r\\n]*)"));
        QStringList subjects;
        for (const QByteArray& message : server.mailbox(login))
            subjects << subject.match(QString::fromLatin1(message)).captured(1);
        return subjects;
    }

    static void prepare(CheckerHarness& run) {
        run.options.deleteEnabled = true;
        run.mail.setDeleteFunctionsEnabled(true);
    }
    static bool deleteTicked(CheckerHarness& run) {
        run.checker.deleteMailButton();
        return test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }, 30000);
    }

    DovecotServer& server = DovecotServer::shared();
    static inline int s_users = 0;
};

struct Scenario {
    const char* name;
    // The accounts in list order, by user; a user listed twice is one account configured twice.
    std::vector<const char*> accounts;
    std::map<QString, QStringList> messages;
    // Rows of the list (from 1) to tick after the check.
    std::vector<int> ticked;
    // What another mail client, or the user, changes between the check and the delete run.
    std::function<void(DovecotDelete&, CheckerHarness&, std::map<QString, QString>&)> meanwhile;
    std::map<QString, QStringList> leftOnServer;
    // The Subject column of the list after the run.
    QStringList rowsAfter;
    QString complete;
};

TEST_F(DovecotDelete, ExactlyTheTickedMessagesLeaveTheServer) {
    const QString noMail = QStringLiteral("(no mail)");
    const std::vector<Scenario> scenarios = {
        {"two identical messages, both ticked",
         {"alice"},
         {{"alice", {"same", "same", "other"}}},
         {1, 2},
         {},
         {{"alice", {"other"}}},
         {"other"},
         QStringLiteral("..Delete Complete: Deleted 2 Mail Items")},
        {"two identical messages, one ticked",
         {"alice"},
         {{"alice", {"same", "same", "other"}}},
         {2},
         {},
         {{"alice", {"same", "other"}}},
         {"same", "other"},
         QStringLiteral("..Delete Complete: Deleted 1 Mail Item")},
        {"an account's rows split by another's ticked rows",
         {"alice", "bob", "alice"},
         {{"alice", {"a1", "a2", "a3"}}, {"bob", {"b1"}}},
         {1, 4, 7},
         {},
         {{"alice", {"a2"}}, {"bob", {}}},
         {"a2", "a3", noMail, "a1", "a2"},
         QStringLiteral("..Delete Complete: Deleted 3 Mail Items")},
        {"ticked (no mail) rows are left alone",
         {"alice", "carol"},
         {{"alice", {"a1", "a2"}}, {"carol", {}}},
         {1, 3},
         {},
         {{"alice", {"a2"}}, {"carol", {}}},
         {"a2", noMail},
         QStringLiteral("..Delete Complete: Deleted 1 Mail Item")},
        {"every message of an account ticked",
         {"alice", "bob"},
         {{"alice", {"a1", "a2"}}, {"bob", {"b1"}}},
         {1, 2},
         {},
         {{"alice", {}}, {"bob", {"b1"}}},
         {noMail, "b1"},
         QStringLiteral("..Delete Complete: Deleted 2 Mail Items")},
        {"the date format changed after the check",
         {"alice"},
         {{"alice", {"a1", "a2"}}},
         {2},
         [](DovecotDelete&, CheckerHarness& run, std::map<QString, QString>&) {
             run.options.dateFormat = 1;
         },
         {{"alice", {"a1"}}},
         {"a1"},
         QStringLiteral("..Delete Complete: Deleted 1 Mail Item")},
        {"a ticked message removed by another client meanwhile",
         {"alice"},
         {{"alice", {"a1", "a2", "a3"}}},
         {1, 2},
         [](DovecotDelete& test, CheckerHarness&, std::map<QString, QString>& users) {
             test.server.remove(users[QStringLiteral("alice")], 1);
         },
         {{"alice", {"a3"}}},
         {"a1", "a3"},
         QStringLiteral("..Delete Complete: Deleted 1 Mail Item")},
        {"messages added by another client meanwhile",
         {"alice"},
         {{"alice", {"a1", "a2"}}},
         {1},
         [](DovecotDelete& test, CheckerHarness&, std::map<QString, QString>& users) {
             test.deliver(users[QStringLiteral("alice")], QStringLiteral("new1"));
             test.deliver(users[QStringLiteral("alice")], QStringLiteral("a2"));
         },
         {{"alice", {"a2", "new1", "a2"}}},
         {"a2"},
         QStringLiteral("..Delete Complete: Deleted 1 Mail Item")},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        ClientSocket socket;
        CheckerHarness run(socket);
        prepare(run);
        run.options.dateFormat = 5;
        std::map<QString, QString> users;
        for (const auto& [name, subjects] : s.messages)
            users[name] = mailbox(name, subjects);
        for (const char* account : s.accounts)
            run.addAccount(QString::fromLatin1(account), users[QLatin1String(account)],
                           QStringLiteral("pw"), kHost, server.port());
        ASSERT_TRUE(run.runCheck());
        for (const int row : s.ticked)
            run.mail.checkItem(row);
        if (s.meanwhile)
            s.meanwhile(*this, run, users);
        ASSERT_TRUE(deleteTicked(run));
        for (const auto& [name, left] : s.leftOnServer)
            EXPECT_EQ(onServer(users[name]), left) << name.toStdString();
        EXPECT_EQ(run.rowTexts(MailItem::Subject), s.rowsAfter);
        EXPECT_EQ(run.view.lines().last(), s.complete);
        EXPECT_TRUE(run.view.messages.isEmpty());
        for (const MailItem& item : run.mail.rows())
            EXPECT_EQ(item.mark, QLatin1Char('K')) << item.subject().toStdString();
    }
}

TEST_F(DovecotDelete, AnAccountWhoseEveryRowWentKeepsOneNoMailRowWhereItsFirstRowWas) {
    ClientSocket socket;
    CheckerHarness run(socket);
    prepare(run);
    const QString bob = mailbox(QStringLiteral("bob"), {QStringLiteral("b1")});
    const QString alice =
        mailbox(QStringLiteral("alice"), {QStringLiteral("a1"), QStringLiteral("a2")});
    run.addAccount(QStringLiteral("Bob"), bob, QStringLiteral("pw"), kHost, server.port());
    run.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, server.port());
    ASSERT_TRUE(run.runCheck());
    run.mail.checkItem(2);
    run.mail.checkItem(3);
    ASSERT_TRUE(deleteTicked(run));
    ASSERT_EQ(run.mail.count(), 2);
    const MailItem& kept = run.mail.at(2);
    EXPECT_TRUE(kept.isNoMail());
    EXPECT_EQ(kept.displayName(), QStringLiteral("Alice"));
    EXPECT_EQ(kept.username(), alice);
    EXPECT_EQ(kept.key(), QString());
    EXPECT_FALSE(run.mail.isItemChecked(2));
    EXPECT_EQ(kept.icon, MailIcon::Seen);
}

// Without a QUIT that the server accepted nothing is deleted: the rows stay, and the count says
// that nothing went.
TEST_F(DovecotDelete, AConnectionCutBeforeQuitDeletesNothing) {
    for (const CuttingProxy::Cut cut : {CuttingProxy::Cut::Reset, CuttingProxy::Cut::Silence}) {
        SCOPED_TRACE(cut == CuttingProxy::Cut::Reset ? "reset" : "silence");
        ClientSocket socket;
        CheckerHarness run(socket);
        prepare(run);
        run.options.serverTimeoutMs = 5000;
        run.checker.connection().setTimeoutTickInterval(10);
        const QString alice =
            mailbox(QStringLiteral("alice"), {QStringLiteral("a1"), QStringLiteral("a2")});
        const QString bob = mailbox(QStringLiteral("bob"), {QStringLiteral("b1")});
        CuttingProxy proxy(server.port(), "QUIT", cut);
        run.addAccount(QStringLiteral("Alice"), alice, QStringLiteral("pw"), kHost, proxy.port());
        run.addAccount(QStringLiteral("Bob"), bob, QStringLiteral("pw"), kHost, server.port());
        proxy.setArmed(false);
        ASSERT_TRUE(run.runCheck());
        ASSERT_EQ(run.mail.count(), 3);
        proxy.setArmed(true);
        run.mail.checkItem(1);
        run.mail.checkItem(2);
        run.mail.checkItem(3);
        run.checker.deleteMailButton();
        if (cut == CuttingProxy::Cut::Silence) {
            ASSERT_TRUE(test::waitUntil([&] { return proxy.cuts() == 1; }));
            run.clock.advance(5001);
        }
        ASSERT_TRUE(test::waitUntil([&] { return run.checker.phase() == RunPhase::Idle; }));
        EXPECT_EQ(onServer(alice), (QStringList{QStringLiteral("a1"), QStringLiteral("a2")}));
        EXPECT_EQ(onServer(bob), QStringList{});
        EXPECT_EQ(
            run.rowTexts(MailItem::Subject),
            (QStringList{QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("(no mail)")}));
        const QStringList lines = run.view.lines();
        EXPECT_TRUE(lines.contains(
            QStringLiteral("..The Server Did Not Confirm The Deletion Of 2 Mail Items: Kept")));
        EXPECT_EQ(
            lines.last(),
            QStringLiteral("..Delete Complete: Deleted 1 Mail Item - 1 Account Failed: Alice"));
        EXPECT_TRUE(run.mail.isItemChecked(1));
        EXPECT_EQ(run.mail.at(1).mark, QLatin1Char('K'));
    }
}

// Messages that look alike in the list are still told apart: a ticked message is recognised by
// what it is (its date to the second as sent, its Message-ID), never by what a date format shows
// of it, and only the ticked one leaves the server.
TEST_F(DovecotDelete, OnlyTheTickedOfTwoMessagesThatLookAlikeIsDeleted) {
    const auto message = [](const QByteArray& date, const QByteArray& id, const QByteArray& mark) {
        QByteArray text = "From: twin@example.org\r\nSubject: Meeting\r\nDate: " + date + "\r\n";
        if (!id.isEmpty())
            text += "Message-ID: " + id + "\r\n";
        return text + "X-Mark: " + mark + "\r\n\r\nbody\r\n";
    };
    struct Case {
        const char* name;
        QByteArray first;
        QByteArray second;
    };
    // No Message-ID and dates within one minute: formats 4 and 5 show the two alike.
    const QByteArray earlier = message("Mon, 4 Jan 2003 10:00:00 +0000", {}, "first");
    const QByteArray later = message("Mon, 4 Jan 2003 10:00:59 +0000", {}, "second");
    // The same in all but the Message-ID.
    const QByteArray one = message("Mon, 4 Jan 2003 10:00:00 +0000", "<1@twins>", "first");
    const QByteArray other = message("Mon, 4 Jan 2003 10:00:00 +0000", "<2@twins>", "second");
    const Case cases[] = {{"seconds apart", earlier, later}, {"another Message-ID", one, other}};
    for (const Case& c : cases) {
        for (int format = 1; format <= 5; ++format) {
            SCOPED_TRACE(std::string(c.name) + ", date format " + std::to_string(format));
            const QString login = QStringLiteral("twins%1").arg(++s_users);
            server.addUser(login, QStringLiteral("pw"));
            server.deliver(login, c.first);
            server.deliver(login, c.second);
            ClientSocket socket;
            CheckerHarness run(socket);
            prepare(run);
            run.options.dateFormat = format;
            run.addAccount(QStringLiteral("Twins"), login, QStringLiteral("pw"), kHost,
                           server.port());
            ASSERT_TRUE(run.runCheck());
            ASSERT_EQ(run.mail.count(), 2);
            if (format >= 4 && c.first == earlier) {
                EXPECT_EQ(run.mail.at(1).dateSent(), run.mail.at(2).dateSent());
            }
            run.mail.checkItem(2);
            ASSERT_TRUE(deleteTicked(run));
            const QList<QByteArray> left = server.mailbox(login);
            ASSERT_EQ(left.size(), 1);
            EXPECT_TRUE(left.first().contains("X-Mark: first"));
            EXPECT_EQ(run.view.lines().last(),
                      QStringLiteral("..Delete Complete: Deleted 1 Mail Item"));
        }
    }
}

} // namespace
} // namespace mervantic
