// Trusting a certificate once: a self-signed Dovecot is refused, its certificate offered to the
// user; pinned, it is taken (whatever name it holds); replaced, it is refused naming both
// fingerprints; expired, it is refused though pinned.
#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "platform/CertificateFacts.h"
#include "platform/ClientSocket.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::CheckerHarness;
using test::DovecotServer;

const QString kPassword = QStringLiteral("pw");

TEST(DovecotTrust, ASelfSignedCertificateIsTakenOnceTrustedAndNothingElseIs) {
    DovecotServer server(DovecotServer::Setup{QStringLiteral("yes"), false, true});
    ASSERT_TRUE(server.start()) << server.why().toStdString();
    server.addUser(QStringLiteral("pinned"), kPassword);
    server.deliver(
        QStringLiteral("pinned"),
        "From: a@example.org\r\nSubject: Behind a pin\r\nMessage-ID: <1@p>\r\n\r\nx\r\n");
    const QString port = QString::number(server.tlsPort());
    const QByteArray first = server.servedCertificate();
    ASSERT_FALSE(first.isEmpty());

    ClientSocket socket;
    CheckerHarness harness(socket);
    // By name, and by an address the certificate does not hold.
    for (const QString& host : {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")}) {
        harness.addAccount(host, QStringLiteral("pinned"), kPassword, host, server.tlsPort());
        harness.setSecurity(QStringLiteral("pinned"), host, server.tlsPort(), Security::Tls);
    }
    const auto subjects = [&harness] { return harness.rowTexts(3); };
    const QString trustHint = QStringLiteral(
        " - To trust this server's certificate anyway, press Enter on the account's row in the "
        "mail list (or choose the account on the Configure Usernames page and press \"Trust This "
        "Certificate\")");

    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(subjects(), (QStringList{QStringLiteral("Secure connection failed: the certificate "
                                                      "is not signed by an authority this "
                                                      "computer trusts") +
                                           trustHint,
                                       QStringLiteral("Secure connection failed: the certificate "
                                                      "is for another server name; the "
                                                      "certificate is not signed by an authority "
                                                      "this computer trusts") +
                                           trustHint}));
    ConnectionSettings& connections = harness.connections;
    EXPECT_EQ(connections.offeredCertificate(QStringLiteral("localhost"), port), first);

    for (const QString& host : {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")})
        connections.pinCertificate(host, port, connections.offeredCertificate(host, port));
    ASSERT_TRUE(harness.runCheck());
    EXPECT_EQ(subjects(), (QStringList{"Behind a pin", "Behind a pin"}));

    // The server's certificate replaced: refused, naming both.
    ASSERT_TRUE(server.replaceCertificate(30));
    const QByteArray second = server.servedCertificate();
    ASSERT_NE(second, first);
    ASSERT_TRUE(harness.runCheck());
    const QString changed =
        QStringLiteral("Secure connection failed: the server's certificate is not the one "
                       "trusted for it (trusted: SHA-256 %1; presented: SHA-256 %2)")
            .arg(sha256Fingerprint(first), sha256Fingerprint(second)) +
        QStringLiteral(" - This may be an attack (someone between this computer and the server): "
                       "trust the new certificate only once the server's administrator confirms "
                       "that it was replaced; then press Enter on the account's row in the mail "
                       "list (or choose the account on the Configure Usernames page and press "
                       "\"Trust This Certificate\")");
    EXPECT_EQ(subjects(), (QStringList{changed, changed}));
    EXPECT_EQ(connections.offeredCertificate(QStringLiteral("localhost"), port), second);

    // An expired certificate stays refused though the user pinned it.
    ASSERT_TRUE(server.replaceCertificate(-1));
    const QByteArray expired = server.servedCertificate();
    connections.pinCertificate(QStringLiteral("localhost"), port, expired);
    ASSERT_TRUE(harness.runCheck());
    EXPECT_TRUE(subjects().first().startsWith(
        QStringLiteral("Secure connection failed: the certificate has expired - Trusting it "
                       "cannot help: it is valid from ")))
        << subjects().first().toStdString();
    // Trusting it could not help: it is not offered for trust.
    EXPECT_NE(connections.offeredCertificate(QStringLiteral("localhost"), port), expired);
}

} // namespace
} // namespace mervantic
