// The per-account connection settings: defaults by port, what follows an account, and a file that
// keeps what this program does not know.
#include "store/ConnectionSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mervantic {
namespace {

const MailboxAddress kAlice{QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                            QStringLiteral("110")};
const MailboxAddress kAliceMoved{QStringLiteral("alice"), QStringLiteral("mail.example.org"),
                                 QStringLiteral("110")};

TEST(ConnectionSettings, AnAccountWithoutAChoiceHasThePortsDefault) {
    struct Case {
        const char* port;
        Security expected;
    };
    ConnectionSettings settings;
    for (const Case& c : {Case{"995", Security::Tls}, Case{" 995", Security::Tls},
                          Case{"110", Security::StartTlsWhenOffered},
                          Case{"1995", Security::StartTlsWhenOffered}}) {
        const MailboxAddress account{QStringLiteral("a"), QStringLiteral("s"),
                                     QString::fromLatin1(c.port)};
        EXPECT_EQ(settings.security(account), c.expected) << c.port;
    }
    for (Security s :
         {Security::Tls, Security::StartTls, Security::StartTlsWhenOffered, Security::None})
        EXPECT_EQ(securityFromText(securityText(s)), s);
    EXPECT_FALSE(securityFromText(QStringLiteral("tls")).has_value());
}

TEST(ConnectionSettings, AChangedChoiceForgetsThatStartTlsWasSeen) {
    ConnectionSettings settings;
    int changes = 0;
    settings.setChanged([&changes] { ++changes; });
    settings.markStartTlsSeen(kAlice);
    EXPECT_TRUE(settings.startTlsSeen(kAlice));
    settings.markStartTlsSeen(kAlice);
    EXPECT_EQ(changes, 1); // nothing new, nothing to save
    settings.setSecurity(kAlice, Security::StartTlsWhenOffered);
    EXPECT_EQ(settings.security(kAlice), Security::StartTlsWhenOffered);
    EXPECT_FALSE(settings.startTlsSeen(kAlice));
    EXPECT_EQ(changes, 2);
    settings.setSecurity(kAlice, Security::None);
    EXPECT_EQ(settings.security(kAlice), Security::None);
    EXPECT_EQ(changes, 3);
}

TEST(ConnectionSettings, SettingsFollowAnAccountChangedInPlaceAndGoWithIt) {
    ConnectionSettings settings;
    settings.setSecurity(kAlice, Security::StartTls);
    settings.markStartTlsSeen(kAlice);
    // Same server, another user name: what was seen of the server still holds.
    const MailboxAddress renamed{QStringLiteral("alice2"), kAlice.server, kAlice.port};
    settings.moveAccount(kAlice, renamed);
    EXPECT_EQ(settings.security(kAlice), Security::StartTlsWhenOffered);
    EXPECT_EQ(settings.security(renamed), Security::StartTls);
    EXPECT_TRUE(settings.startTlsSeen(renamed));
    // Another server: the choice follows, what was seen of the old server does not.
    settings.moveAccount(renamed, kAliceMoved);
    EXPECT_EQ(settings.security(kAliceMoved), Security::StartTls);
    EXPECT_FALSE(settings.startTlsSeen(kAliceMoved));
    settings.removeAccount(kAliceMoved);
    EXPECT_EQ(settings.security(kAliceMoved), Security::StartTlsWhenOffered);
    EXPECT_EQ(settings.toBytes().count("username"), 0);
}

// What the account's window sets is read back as it was set: a sign-in with every field, a
// security chosen even where it is the port's default, and a trusted certificate forgotten.
TEST(ConnectionSettings, WhatTheAccountWindowSetsIsKeptAndForgotten) {
    ConnectionSettings settings;
    EXPECT_FALSE(settings.securityChosen(kAlice));
    const SignIn signIn{SignIn::Kind::OAuth2, QStringLiteral("https://id.example.org"),
                        QStringLiteral("client"), QStringLiteral("not-secret"),
                        QStringLiteral("pop3.read mail")};
    settings.setSignIn(kAlice, signIn);
    EXPECT_FALSE(settings.securityChosen(kAlice));
    settings.setSecurity(kAlice, Security::StartTls);
    EXPECT_TRUE(settings.securityChosen(kAlice));
    settings.pinCertificate(kAlice.server, kAlice.port, QByteArray("der"));
    const std::optional<ConnectionSettings> read =
        ConnectionSettings::fromBytes(settings.toBytes());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->signIn(kAlice), signIn);
    EXPECT_TRUE(read->securityChosen(kAlice));
    EXPECT_EQ(read->pinnedCertificate(kAlice.server, kAlice.port), QByteArray("der"));

    settings.offerCertificate(kAlice.server, kAlice.port, QByteArray("other"));
    settings.pinCertificate(kAlice.server, kAlice.port, {});
    EXPECT_TRUE(settings.pinnedCertificate(kAlice.server, kAlice.port).isEmpty());
    EXPECT_TRUE(settings.offeredCertificate(kAlice.server, kAlice.port).isEmpty());
    EXPECT_FALSE(settings.toBytes().contains("ZGVy")); // "der" as the file keeps it
}

TEST(ConnectionSettingsFile, KeepsEntriesAndFieldsItDoesNotKnowAndIsPrivate) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mervconn.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"version": 7, "accounts": [
            {"username": "alice", "server": "pop.example.org", "port": "110",
             "security": "STARTTLS", "later": {"x": 1}},
            {"username": "gone", "server": "old.example.org", "port": "110", "security": "None"},
            {"username": "bob", "server": "b", "port": "110", "security": "QUANTUM"}]})");
    }
    const ConnectionSettingsFile file(path);
    ConnectionSettings settings;
    ASSERT_EQ(file.load(settings), ConnectionSettingsFile::LoadResult::Loaded);
    EXPECT_EQ(settings.security(kAlice), Security::StartTls);
    // A choice of a later version is taken as the safest there is.
    EXPECT_EQ(
        settings.security({QStringLiteral("bob"), QStringLiteral("b"), QStringLiteral("110")}),
        Security::Tls);
    settings.setSecurity(kAlice, Security::None);
    ASSERT_TRUE(file.save(settings));

    ConnectionSettings again;
    ASSERT_EQ(file.load(again), ConnectionSettingsFile::LoadResult::Loaded);
    EXPECT_EQ(again.security(kAlice), Security::None);
    const QByteArray bytes = again.toBytes();
    EXPECT_TRUE(bytes.contains("\"version\": 7"));
    EXPECT_TRUE(bytes.contains("\"later\""));
    EXPECT_TRUE(bytes.contains("old.example.org"));
    EXPECT_TRUE(bytes.contains("QUANTUM"));
    struct stat status {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
}

// A file of another kind, or one damaged (a key twice, a value of the wrong kind: a parser would
// keep one of two values silently), is not taken for an empty one.
TEST(ConnectionSettingsFile, AFileOfAnotherKindOrDamagedIsNotTakenForEmpty) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    for (const Case& c :
         {Case{"not json", "security=TLS"}, Case{"a list", "[1, 2]"},
          Case{"accounts not a list", R"({"accounts": 3})"},
          Case{"an entry not an object", R"({"accounts": [3]})"},
          Case{"accounts twice", R"({"accounts": [{"username": "a"}], "accounts": []})"},
          Case{"a key twice in an entry",
               R"({"accounts": [{"security": "TLS", "port": "1", "security": "None"}]})"},
          Case{"a security that is a number", R"({"accounts": [{"security": 3}]})"},
          Case{"a flag that is a text", R"({"accounts": [{"startTlsSeen": "yes"}]})"},
          Case{"a pin that is a number", R"({"pins": [{"certificate": 7}]})"}}) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(c.bytes);
        out.close();
        ConnectionSettings settings;
        QString why;
        EXPECT_EQ(ConnectionSettingsFile(path).load(settings, &why),
                  ConnectionSettingsFile::LoadResult::Damaged)
            << c.name;
        EXPECT_FALSE(why.isEmpty());
    }
    ConnectionSettings settings;
    EXPECT_EQ(ConnectionSettingsFile(dir.filePath(QStringLiteral("none"))).load(settings),
              ConnectionSettingsFile::LoadResult::Missing);
}

} // namespace
} // namespace mervantic
