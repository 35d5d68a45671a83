// What the user sees when accounts fail, in the real program with real connections: a row for
// each failed account saying why, a completion line and an icon tool tip that count the
// failures, no alarm, a notification once when an account begins to fail; and mail once seen
// stays seen through failures and restarts.
#include "DovecotServer.h"
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "ScriptedServer.h"
#include "app/MailListView.h"
#include "app/StatusBar.h"
#include "mail/MailListModel.h"

#include <QPushButton>
#include <QTreeView>

#include <functional>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::DovecotServer;
using test::ScriptedServer;

const QString kHost = QStringLiteral("127.0.0.1");

class Failures : public test::ProgramFixture {
public:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(dovecot.isRunning()) << dovecot.why().toStdString();
        prefix = QStringLiteral("f%1").arg(++s_test);
        useRealNetwork();
    }

    QString mailbox(const char* name, int count) {
        const QString login = prefix + QLatin1String(name);
        dovecot.addUser(login, QStringLiteral("pw"));
        for (int n = 1; n <= count; ++n)
            dovecot.deliver(login, "From: a@example.org\r\nSubject: Message " +
                                       QByteArray::number(n) + "\r\n\r\nbody\r\n");
        return login;
    }

    void addAccount(const QString& name, const QString& login, const QString& password,
                    const QString& host, int port) {
        accounts.append({name, login, host, QString::number(port),
                         AccountKey::make(accounts.count() + 1, password), false});
    }

    bool check() {
        program->checker().checkMailButton();
        return test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; },
                               60000);
    }

    QString status() { return window().statusBar()->text(); }

    DovecotServer& dovecot = DovecotServer::shared();
    QString prefix;
    static inline int s_test = 0;
};

struct FailureCase {
    const char* name;
    // Makes the failing account; gives what its row must say.
    std::function<QString(Failures&)> account;
    // What the row offers to mend it.
    Remedy remedy;
    // The time-out must pass for the account to fail.
    bool waits = false;
};

// One table of what goes wrong most: the server stopped, a wrong password, a host that does not
// exist, a server that never answers. Each is an account beside one that works.
TEST_F(Failures, EachFailedAccountHasARowSayingWhyAndTheCountsSayHowMany) {
    DovecotServer stopped;
    std::unique_ptr<ScriptedServer> silent;
    const std::vector<FailureCase> cases = {
        {"the server stopped",
         [&](Failures& t) {
             EXPECT_TRUE(stopped.start()) << stopped.why().toStdString();
             const int port = stopped.port();
             stopped.stop();
             t.addAccount(QStringLiteral("Stopped"), QStringLiteral("alice"), QStringLiteral("pw"),
                          kHost, port);
             return QStringLiteral("Connection refused: no POP3 server answers at 127.0.0.1, "
                                   "port %1")
                 .arg(port);
         },
         Remedy::CheckAgain},
        {"a wrong password",
         [](Failures& t) {
             t.addAccount(QStringLiteral("Wrong"), t.mailbox("wrong", 1), QStringLiteral("nope"),
                          kHost, t.dovecot.port());
             return QStringLiteral("Wrong user name or password: [AUTH] Authentication failed.");
         },
         Remedy::ChangePassword},
        {"an unknown host",
         [](Failures& t) {
             t.addAccount(QStringLiteral("Nowhere"), QStringLiteral("alice"), QStringLiteral("pw"),
                          QStringLiteral("no-such-host.invalid"), 110);
             return QStringLiteral("No such host: no-such-host.invalid");
         },
         Remedy::CheckAgain},
        {"a server that never answers",
         [&](Failures& t) {
             silent = std::make_unique<ScriptedServer>([](QTcpSocket*) {});
             t.addAccount(QStringLiteral("Silent"), QStringLiteral("alice"), QStringLiteral("pw"),
                          kHost, silent->port());
             return QStringLiteral("No answer from the server within 5 seconds: it sent no "
                                   "greeting at all; port %1 may expect TLS from the start "
                                   "(choose TLS as the account's security)")
                 .arg(silent->port());
         },
         Remedy::UseTls, true},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        accounts.clear();
        tray.notifications.clear();
        record = baseRecord();
        record.serverTimeout = 5000LL * 10000;
        record.trayOnClose = 1;
        record.soundOnNewMail = 1;
        record.deleteEnabled = 1;
        const QString why = c.account(*this);
        addAccount(QStringLiteral("Works"), mailbox("works", 0), QStringLiteral("pw"), kHost,
                   dovecot.port());
        start();
        program->checker().connection().setTimeoutTickInterval(10);
        EXPECT_FALSE(window().close()); // hidden in the notification area: not in view
        // Time passes for the server that never answers (Dovecot's answer to a wrong password
        // takes a while of its own, which no time-out must cut short).
        const auto checkToTheEnd = [&] {
            program->checker().checkMailButton();
            return test::waitUntil(
                [&] {
                    // Only until the silent account has failed: the next one has all the time
                    // it needs.
                    if (c.waits && program->mail().count() == 0)
                        clock.advance(1000);
                    return program->checker().phase() == RunPhase::Idle;
                },
                60000);
        };
        ASSERT_TRUE(checkToTheEnd());

        // A row in the failed account's place, with its columns and why, marked and untickable.
        MailList& mail = program->mail();
        ASSERT_EQ(mail.count(), 2);
        const MailItem& failed = mail.at(1);
        EXPECT_TRUE(failed.isFailure());
        EXPECT_EQ(failed.displayName(), accounts.at(1).displayName);
        EXPECT_EQ(failed.server(), accounts.at(1).server);
        EXPECT_EQ(failed.port(), accounts.at(1).port);
        EXPECT_TRUE(failed.subject().startsWith(why)) << failed.subject().toStdString();
        EXPECT_EQ(failed.remedy, c.remedy);
        EXPECT_TRUE(mail.at(2).isNoMail());
        QAbstractItemModel* model = find<QTreeView>("ListView1")->model();
        EXPECT_FALSE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsUserCheckable));
        EXPECT_TRUE(model->flags(model->index(1, 0)).testFlag(Qt::ItemIsUserCheckable));
        // Its own icon: not the envelope of the "(no mail)" row below it.
        const QIcon failedIcon = model->data(model->index(0, 0), Qt::DecorationRole).value<QIcon>();
        EXPECT_FALSE(failedIcon.isNull());
        EXPECT_NE(failedIcon.cacheKey(),
                  model->data(model->index(1, 0), Qt::DecorationRole).value<QIcon>().cacheKey());

        // Counted where the user looks, never read as "no mail", and never an alarm.
        // The status bar names the account to look at.
        const QString complete =
            QStringLiteral("..Check Complete: No New Mail Items -Total Items: 0 - 1 Account "
                           "Failed: ") +
            accounts.at(1).displayName;
        EXPECT_TRUE(status().endsWith(complete)) << status().toStdString();
        // Whole in its tool tip, however narrow the window cuts it.
        EXPECT_TRUE(window().statusBar()->toolTip().contains(accounts.at(1).displayName));
        EXPECT_TRUE(
            window().windowTitle().startsWith(QStringLiteral("Mervantic email - last check: ")));
        EXPECT_TRUE(tray.toolTip.endsWith(QStringLiteral("\n1 Account Failed")))
            << tray.toolTip.toStdString();
        EXPECT_EQ(beeper.beeps(), 0);
        ASSERT_EQ(tray.notifications.size(), 1);
        EXPECT_TRUE(tray.notifications.first().contains(QStringLiteral("1 Account Failed")));
        EXPECT_TRUE(
            tray.notifications.first().contains(failed.displayName() + QStringLiteral(": ") + why));

        // It goes on failing: the row stays, the notification does not come again.
        ASSERT_TRUE(checkToTheEnd());
        EXPECT_TRUE(program->mail().at(1).isFailure());
        EXPECT_EQ(tray.notifications.size(), 1);
        window().closeByProgram();
        program.reset();
    }
}

// The user's own story: mail seen, the server down at the next check, the program restarted,
// the server back. Nothing seen is ever announced again.
TEST_F(Failures, MailSeenStaysSeenThroughAFailedCheckAndARestart) {
    const QString login = mailbox("alice", 2);
    addAccount(QStringLiteral("Alice"), login, QStringLiteral("pw"), kHost, dovecot.port());
    record.soundOnNewMail = 1;
    start();
    ASSERT_TRUE(check());
    EXPECT_TRUE(
        status().endsWith(QStringLiteral("..Check Complete: 2 New Mail Items -Total Items: 2")));
    EXPECT_EQ(beeper.beeps(), 1);
    find<QPushButton>("Command2")->click(); // "Seen"

    // The account's server is away: a failure, not "no mail", and what was seen is kept.
    program->settings().options.serverTimeoutMs = 5000;
    accounts.at(1).port = QString::number(test::freePort());
    program->accounts().at(1).port = accounts.at(1).port;
    ASSERT_TRUE(check());
    EXPECT_TRUE(status().endsWith(QStringLiteral(
        "..Check Complete: No New Mail Items -Total Items: 0 - 1 Account Failed: Alice")));
    ASSERT_TRUE(programEndsAfter([this] { window().closeByProgram(); }));
    program.reset();
    EXPECT_TRUE(QFile::exists(dataFolder() + QStringLiteral("/mervseen.dat")));

    // Started again, the server back: the same two messages are not new.
    accounts.at(1).port = QString::number(dovecot.port());
    start();
    ASSERT_TRUE(check());
    EXPECT_TRUE(
        status().endsWith(QStringLiteral("..Check Complete: No New Mail Items -Total Items: 2")))
        << status().toStdString();
    EXPECT_EQ(beeper.beeps(), 1);
    dovecot.deliver(login, "From: b@example.org\r\nSubject: Later\r\n\r\nbody\r\n");
    ASSERT_TRUE(check());
    EXPECT_TRUE(
        status().endsWith(QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 3")));
}

} // namespace
} // namespace mervantic
