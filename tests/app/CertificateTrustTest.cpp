// Adding an account with a security, trusting its server's certificate and changing the account,
// all through the window, against a real Dovecot whose certificate signs itself.
#include "DovecotServer.h"
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/AccountPage.h"
#include "app/MainMenus.h"
#include "platform/CertificateFacts.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::DovecotServer;

class CertificateTrust : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        record.serverTimeout = 5000LL * 10000;
        network = &realSocket;
        networkClock = &realClock;
    }

    void type(QLineEdit* box, const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
    }
    void choose(const char* security) {
        QComboBox* box = page()->securityBox();
        box->setCurrentIndex(box->findText(QString::fromLatin1(security)));
    }
    AccountPage* page() { return window().accountPage(); }
    void selectAccount(int row) {
        window().selectTab(Page::Accounts);
        QTreeView* list = page()->list();
        list->setCurrentIndex(list->model()->index(row - 1, 0));
    }
    // "Check Mail" clicked; the subject column of the list once the check is over.
    QString checkedSubject() {
        QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; },
                                    30000));
        return program->mail().count() == 1 ? program->mail().at(1).subject() : QString();
    }

    ClientSocket realSocket;
    SystemClock realClock;
};

TEST_F(CertificateTrust, AnAccountIsAddedTrustedAndChangedThroughTheWindow) {
    DovecotServer server(DovecotServer::Setup{QStringLiteral("yes"), false, true});
    ASSERT_TRUE(server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("home"), QStringLiteral("pw"));
    server.deliver(
        QStringLiteral("home"),
        "From: a@example.org\r\nSubject: Trusted at last\r\nMessage-ID: <1@t>\r\n\r\n.\r\n");
    start();
    window().selectTab(Page::Accounts);
    type(page()->displayNameBox(), QStringLiteral("Home"));
    type(page()->usernameBox(), QStringLiteral("home"));
    type(page()->passwordBox(), QStringLiteral("pw"));
    type(page()->serverBox(), QStringLiteral("localhost"));
    type(page()->portBox(), QString::number(server.tlsPort()));
    choose("TLS"); // TLS on a port other than 995
    QTest::mouseClick(page()->addButton(), Qt::LeftButton);
    ASSERT_EQ(program->accounts().count(), 1);

    EXPECT_TRUE(checkedSubject().startsWith(QStringLiteral(
        "Secure connection failed: the certificate is not signed by an authority this computer "
        "trusts - To trust this server's certificate anyway")));

    // The button shows what to compare; Yes trusts it.
    selectAccount(1);
    ASSERT_TRUE(page()->trustButton()->isVisible());
    QTest::mouseClick(page()->trustButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(
        dialogs.questions.first(),
        QStringLiteral("Trust This Certificate For localhost Port %1?").arg(server.tlsPort()));
    const QString detail = dialogs.details.first();
    EXPECT_TRUE(detail.contains(QStringLiteral("Subject: CN=localhost\nIssuer: CN=localhost\n")))
        << detail.toStdString();
    const QString fingerprint = sha256Fingerprint(server.servedCertificate());
    EXPECT_TRUE(detail.contains(QStringLiteral("SHA-256:\n") + fingerprint.left(48) +
                                QLatin1Char('\n') + fingerprint.mid(48) + QLatin1Char('\n')))
        << detail.toStdString();
    EXPECT_TRUE(dialogs.noByDefault.first());
    EXPECT_EQ(checkedSubject(), QStringLiteral("Trusted at last"));

    // Changed to the plain port with STARTTLS: another port, another certificate to trust (the
    // menu's item does what the button does).
    selectAccount(1);
    window().menus().account->findChild<QAction*>(QStringLiteral("mnuCopyToBoxes"))->trigger();
    type(page()->portBox(), QString::number(server.port()));
    choose("STARTTLS");
    window().menus().account->findChild<QAction*>(QStringLiteral("mnuChangeToBoxes"))->trigger();
    EXPECT_EQ(program->accounts().at(1).port, QString::number(server.port()));
    EXPECT_TRUE(checkedSubject().startsWith(
        QStringLiteral("Secure connection failed: the certificate is not signed")));
    selectAccount(1);
    window().menus().account->findChild<QAction*>(QStringLiteral("mnuTrustCertificate"))->trigger();
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(checkedSubject(), QStringLiteral("Trusted at last"));
    EXPECT_TRUE(program->connections().startTlsSeen(
        {QStringLiteral("home"), QStringLiteral("localhost"), QString::number(server.port())}));

    // Nothing refused for the account: nothing to trust, and it says so.
    selectAccount(1);
    QTest::mouseClick(page()->trustButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs.questions.size(), 2);
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("No Certificate Of localhost")));
}

// A certificate other than the one trusted is told as a possible attack, with both
// fingerprints, and the question to trust it says so and defaults to No; an expired one is not
// offered for trust at all, since trusting cannot help.
TEST_F(CertificateTrust, AChangedCertificateIsAskedAboutAsAPossibleAttackAndAnExpiredOneNotAtAll) {
    DovecotServer server(DovecotServer::Setup{QStringLiteral("yes"), false, true});
    ASSERT_TRUE(server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("home"), QStringLiteral("pw"));
    server.deliver(QStringLiteral("home"),
                   "From: a@example.org\r\nSubject: Still here\r\nMessage-ID: <1@t>\r\n\r\n.\r\n");
    const QString port = QString::number(server.tlsPort());
    accounts.append({QStringLiteral("Home"), QStringLiteral("home"), QStringLiteral("localhost"),
                     port, AccountKey::make(1, QStringLiteral("pw")), false});
    start();
    program->connections().setSecurity({QStringLiteral("home"), QStringLiteral("localhost"), port},
                                       Security::Tls);
    const QByteArray first = server.servedCertificate();
    program->connections().pinCertificate(QStringLiteral("localhost"), port, first);
    ASSERT_EQ(checkedSubject(), QStringLiteral("Still here"));

    ASSERT_TRUE(server.replaceCertificate(30));
    const QByteArray second = server.servedCertificate();
    const QString row = checkedSubject();
    EXPECT_TRUE(row.contains(sha256Fingerprint(first)) && row.contains(sha256Fingerprint(second)))
        << row.toStdString();
    EXPECT_TRUE(row.contains(QStringLiteral("This may be an attack"))) << row.toStdString();
    selectAccount(1);
    QTest::mouseClick(page()->trustButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions.first(),
              QStringLiteral("The Certificate Of localhost Port %1 Has Changed Since You Trusted "
                             "It. Trust The New One?")
                  .arg(port));
    const QString detail = dialogs.details.first();
    EXPECT_TRUE(detail.startsWith(QStringLiteral("This may be an attack"))) << detail.toStdString();
    const QString before = sha256Fingerprint(first);
    const QString now = sha256Fingerprint(second);
    EXPECT_TRUE(detail.contains(before.left(48) + QLatin1Char('\n') + before.mid(48)));
    EXPECT_TRUE(detail.contains(now.left(48) + QLatin1Char('\n') + now.mid(48)));
    EXPECT_TRUE(dialogs.noByDefault.first());
    EXPECT_EQ(checkedSubject(), QStringLiteral("Still here")); // Yes: the new one is trusted

    ASSERT_TRUE(server.replaceCertificate(-1));
    const QString expired = checkedSubject();
    EXPECT_TRUE(
        expired.startsWith(QStringLiteral("Secure connection failed: the certificate has expired")))
        << expired.toStdString();
    EXPECT_TRUE(expired.contains(QStringLiteral(" - Trusting it cannot help: it is valid from ")))
        << expired.toStdString();
    EXPECT_FALSE(expired.contains(QStringLiteral("press \"Trust This Certificate\"")));
    selectAccount(1);
    QTest::mouseClick(page()->trustButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs.questions.size(), 1); // nothing more asked
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().startsWith(QStringLiteral("No Certificate Of localhost")))
        << dialogs.messages.last().toStdString();
}

} // namespace
} // namespace mervantic
