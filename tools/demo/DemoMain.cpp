// Shows Mervantic at work without an account of one's own: starts a local Dovecot POP3 server
// with a small demo mailbox, prepares a throwaway data folder whose one account points at it,
// and runs the program there with a check as the window opens. Everything goes when the window
// is closed.
#include "DovecotServer.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"
#include "store/SettingsRecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace mervantic;

namespace {

QByteArray demoMessage(const QByteArray& from, const QByteArray& subject, const QDateTime& sent,
                       int number) {
    const QByteArray date =
        QLocale::c().toString(sent.toUTC(), QStringLiteral("ddd, d MMM yyyy HH:mm:ss")).toLatin1() +
        " +0000";
    return "From: " + from + "\r\nTo: Demo <demo@example.org>\r\nSubject: " + subject +
           "\r\nDate: " + date + "\r\nMessage-ID: <demo." + QByteArray::number(number) +
           "@mervantic.example>\r\n\r\nThis is demo message " + QByteArray::number(number) +
           ".\r\nIt lives on a Dovecot server started for the demo.\r\n";
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QString programFolder = QCoreApplication::applicationDirPath();

    test::DovecotServer server;
    std::printf("Starting a local Dovecot POP3 server with a demo mailbox...\n");
    if (!server.start()) {
        std::fprintf(stderr, "The demo needs Dovecot (package dovecot-pop3d): %s\n",
                     qPrintable(server.why()));
        return 1;
    }
    server.addUser(QStringLiteral("demo"), QStringLiteral("demo"));
    const QDateTime now = QDateTime::currentDateTime();
    const std::pair<const char*, const char*> messages[] = {
        {"Ann Example <ann@example.org>", "Welcome to Mervantic"},
        {"Build Robot <ci@example.net>", "Nightly build passed"},
        {"Bob Sample <bob@example.com>", "Lunch on Friday?"},
        {"Newsletter <news@example.org>", "December news"},
    };
    int number = 0;
    for (const auto& [from, subject] : messages) {
        ++number;
        server.deliver(QStringLiteral("demo"),
                       demoMessage(from, subject, now.addSecs(-3600 * (5 - number)), number));
    }

    QTemporaryDir home;
    const QString dataFolder = home.filePath(QStringLiteral("data/Mervantic"));
    QDir().mkpath(dataFolder);
    QDir().mkpath(home.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The template's values, with a check as the window opens and local dates.
    std::optional<SettingsRecord> settings =
        SettingsFile::read(programFolder + QStringLiteral("/mervantic.ini"));
    SettingsRecord record = settings.value_or(SettingsRecord());
    record.firstRunMarker = 1;
    record.windowLeft = 80 * 15;
    record.windowTop = 60 * 15;
    record.windowWidth = 900 * 15;
    record.windowHeight = 480 * 15;
    record.autoCheckOnOpen = 1;
    record.dateFormat = 5;
    // `mervantic-demo alarm` starts with the new-mail sound and the continuous alarm on.
    if (QCoreApplication::arguments().contains(QStringLiteral("alarm"))) {
        record.soundOnNewMail = 1;
        record.continuousAlarm = 1;
    }
    // `mervantic-demo trouble` adds two accounts that fail as new users' often do, in a window
    // of the smallest size: one on the TLS port with the plain default (it waits for a greeting
    // that never comes), one with a mistyped password.
    const bool trouble = QCoreApplication::arguments().contains(QStringLiteral("trouble"));
    if (trouble) {
        record.windowWidth = 384 * 15;
        record.windowHeight = 367 * 15;
        record.serverTimeout = 10000LL * 10000;
    }
    SettingsFile::write(dataFolder + QStringLiteral("/mervantic.ini"), record);
    AccountList accounts;
    accounts.append({QStringLiteral("Demo mailbox"), QStringLiteral("demo"),
                     QStringLiteral("localhost"), QString::number(server.port()),
                     AccountKey::make(1, QStringLiteral("demo")), true});
    if (trouble) {
        accounts.append({QStringLiteral("Home server"), QStringLiteral("demo"),
                         QStringLiteral("localhost"), QString::number(server.tlsPort()),
                         AccountKey::make(2, QStringLiteral("demo")), true});
        server.addUser(QStringLiteral("typo"), QStringLiteral("typo"));
        accounts.append({QStringLiteral("Typo"), QStringLiteral("typo"),
                         QStringLiteral("localhost"), QString::number(server.port()),
                         AccountKey::make(3, QStringLiteral("tpyo")), true});
    }
    AccountFile(dataFolder + QStringLiteral("/mervuser.ini")).save(accounts);
    // The demo server offers STARTTLS with a certificate of its own authority, which the program
    // trusts as any OpenSSL program would: through SSL_CERT_FILE.
    const QString authority = home.filePath(QStringLiteral("demo-authority.pem"));
    {
        QFile pem(authority);
        if (pem.open(QIODevice::WriteOnly)) {
            for (const QSslCertificate& certificate : server.authority())
                pem.write(certificate.toPem());
        }
    }

    std::printf("Demo account: user \"demo\" on localhost port %d (STARTTLS, its authority in "
                "SSL_CERT_FILE). Close the window to end the demo.\n",
                server.port());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SSL_CERT_FILE"), authority);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(programFolder + QStringLiteral("/mervantic"), {});
    if (!program.waitForStarted(10000)) {
        std::fprintf(stderr, "Cannot start %s/mervantic\n", qPrintable(programFolder));
        return 1;
    }
    program.waitForFinished(-1);
    server.stop();
    return program.exitCode();
}
