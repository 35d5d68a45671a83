#include "DovecotServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervantic::test {

namespace {

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

QString findProgram(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"),
                                                     QStringLiteral("/usr/local/sbin"),
                                                     QStringLiteral("/sbin")});
    return path;
}

bool run(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

int freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

DovecotServer::DovecotServer()
    : DovecotServer(Setup()) {}

DovecotServer::DovecotServer(Setup setup)
    : m_setup(std::move(setup)) {}

DovecotServer::~DovecotServer() {
    stop();
}

DovecotServer& DovecotServer::shared() {
    static DovecotServer server(Setup{QStringLiteral("no"), false});
    if (!server.isRunning())
        server.start();
    return server;
}

DovecotServer& DovecotServer::sharedTls() {
    static DovecotServer server;
    if (!server.isRunning())
        server.start();
    return server;
}

bool DovecotServer::isRunning() const {
    return m_process.state() == QProcess::Running;
}

bool DovecotServer::start() {
    const QString dovecot = findProgram(QStringLiteral("dovecot"));
    if (dovecot.isEmpty()) {
        m_why = QStringLiteral("dovecot is not installed (package dovecot-pop3d)");
        return false;
    }
    m_root = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                             QStringLiteral("/mervantic-dovecot-XXXXXX"));
    if (!m_root->isValid()) {
        m_why = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    // Dovecot's own users must reach the user database and the maildirs.
    ::chmod(QFile::encodeName(m_root->path()).constData(), 0755);

    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        m_mailUid = nobody != nullptr ? static_cast<int>(nobody->pw_uid) : 65534;
        m_mailGid = nobody != nullptr ? static_cast<int>(nobody->pw_gid) : 65534;
    } else {
        m_mailUid = static_cast<int>(::getuid());
        m_mailGid = static_cast<int>(::getgid());
    }
    m_port = freePort();
    m_tlsPort = 0;
    while (m_setup.ssl != QLatin1String("no") && (m_tlsPort == 0 || m_tlsPort == m_port))
        m_tlsPort = freePort();

    QDir(m_root->path()).mkpath(QStringLiteral("base"));
    QDir(m_root->path()).mkpath(QStringLiteral("state"));
    QDir(m_root->path()).mkpath(QStringLiteral("home"));
    // One user database file per user: a new user is never hidden by a stale cached file.
    QDir(m_root->path()).mkpath(QStringLiteral("users"));
    if (!writeCertificates() || !writeConfiguration())
        return false;

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // A test or demo killed before it could stop the server takes the server with it, rather
    // than leave a daemon nobody sees.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(dovecot, {QStringLiteral("-F"), QStringLiteral("-c"),
                              m_root->filePath(QStringLiteral("dovecot.conf"))});
    if (!m_process.waitForStarted(10000)) {
        m_why = QStringLiteral("dovecot did not start: ") + m_process.errorString();
        return false;
    }
    // Ready once the plain listener greets.
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(m_port));
        if (probe.waitForConnected(500) && probe.waitForReadyRead(2000) &&
            probe.readAll().startsWith("+OK"))
            return true;
        if (m_process.state() != QProcess::Running)
            break;
        QThread::msleep(50);
    }
    m_why = QStringLiteral("dovecot did not greet: ") +
            QString::fromLocal8Bit(m_process.readAll()) + logText();
    stop();
    return false;
}

bool DovecotServer::makeServerCertificate(int days, bool selfSigned) {
    const QString openssl = findProgram(QStringLiteral("openssl"));
    const QString dir = m_root->path();
    const QStringList signer =
        selfSigned
            ? QStringList{QStringLiteral("-signkey"), QStringLiteral("server.key")}
            : QStringList{QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"),
                          QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial")};
    return run(openssl,
               {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                QStringLiteral("-nodes"), QStringLiteral("-keyout"), QStringLiteral("server.key"),
                QStringLiteral("-out"), QStringLiteral("server.csr"), QStringLiteral("-subj"),
                QStringLiteral("/CN=localhost")},
               dir) &&
           run(openssl,
               QStringList{QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                           QStringLiteral("server.csr")} +
                   signer +
                   QStringList{QStringLiteral("-out"), QStringLiteral("server.pem"),
                               QStringLiteral("-days"), QString::number(days),
                               QStringLiteral("-extfile"), QStringLiteral("server.ext")},
               dir);
}

QByteArray DovecotServer::servedCertificate() const {
    QSslSocket probe;
    probe.setPeerVerifyMode(QSslSocket::VerifyNone);
    probe.connectToHostEncrypted(QStringLiteral("localhost"), static_cast<quint16>(m_tlsPort));
    if (!probe.waitForEncrypted(5000))
        return {};
    return probe.peerCertificate().toDer();
}

bool DovecotServer::replaceCertificate(int days) {
    if (!makeServerCertificate(days, true))
        return false;
    const QList<QSslCertificate> made =
        QSslCertificate::fromPath(m_root->filePath(QStringLiteral("server.pem")));
    if (made.isEmpty())
        return false;
    // Dovecot reads its certificates again when told to reload.
    ::kill(static_cast<pid_t>(m_process.processId()), SIGHUP);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QByteArray served = servedCertificate();
        if (served == made.first().toDer())
            return true;
        QThread::msleep(50);
    }
    return false;
}

void DovecotServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool DovecotServer::writeCertificates() {
    const QString openssl = findProgram(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        m_why = QStringLiteral("openssl is not installed");
        return false;
    }
    const QString dir = m_root->path();
    writeFile(m_root->filePath(QStringLiteral("server.ext")),
              "subjectAltName=DNS:localhost\n"
              "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
              "extendedKeyUsage=serverAuth\n");
    const bool made =
        run(openssl,
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
             QStringLiteral("ca.key"), QStringLiteral("-out"), QStringLiteral("ca.pem"),
             QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
             QStringLiteral("/CN=Mervantic Test Authority"), QStringLiteral("-addext"),
             QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
             QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
            dir) &&
        makeServerCertificate(30, m_setup.selfSigned) &&
        run(openssl,
            {QStringLiteral("dhparam"), QStringLiteral("-dsaparam"), QStringLiteral("-out"),
             QStringLiteral("dh.pem"), QStringLiteral("2048")},
            dir);
    if (!made) {
        m_why = QStringLiteral("openssl could not make the test certificates");
        return false;
    }
    m_authority = QSslCertificate::fromPath(m_root->filePath(QStringLiteral("ca.pem")));
    return true;
}

bool DovecotServer::writeConfiguration() {
    const QString root = m_root->path();
    QString users;
    if (::geteuid() == 0) {
        users = QStringLiteral("default_internal_user = dovecot\ndefault_login_user = dovenull\n");
    } else {
        const passwd* me = ::getpwuid(::getuid());
        const QString name = me != nullptr ? QString::fromLocal8Bit(me->pw_name) : QString();
        users = QStringLiteral("default_internal_user = %1\ndefault_login_user = %1\n"
                               "first_valid_uid = %2\n")
                    .arg(name)
                    .arg(::getuid());
    }
    const bool secure = m_setup.ssl != QLatin1String("no");
    const QString tls = secure ? QStringLiteral("ssl = %1\nssl_cert = <%2/server.pem\n"
                                                "ssl_key = <%2/server.key\nssl_dh = <%2/dh.pem\n")
                                     .arg(m_setup.ssl, root)
                               : QStringLiteral("ssl = no\n");
    const QString tlsListener =
        secure ? QStringLiteral("  inet_listener pop3s {\n    port = %1\n    ssl = yes\n  }\n")
                     .arg(m_tlsPort)
               : QString();
    const QString config =
        QStringLiteral(R"(base_dir = %1/base
state_dir = %1/state
instance_name = mervantic-%2
log_path = %1/dovecot.log
info_log_path = %1/dovecot.log
protocols = pop3
listen = 127.0.0.1
%3%6auth_mechanisms = plain login apop
disable_plaintext_auth = %7
auth_failure_delay = 0
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN %1/users/%u
}
userdb {
  driver = passwd-file
  args = %1/users/%u
}
service pop3-login {
  inet_listener pop3 {
    port = %4
  }
%5}
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
)")
            .arg(root)
            .arg(QCoreApplication::applicationPid())
            .arg(users)
            .arg(m_port)
            .arg(tlsListener)
            .arg(tls)
            .arg(m_setup.plaintextOnlyOverTls ? QStringLiteral("yes") : QStringLiteral("no"));
    QString withOAuth2 = config;
    if (!m_setup.oauth2Introspection.isEmpty()) {
        const QString settings = m_root->filePath(QStringLiteral("oauth2.conf.ext"));
        writeFile(settings, "introspection_mode = post\nintrospection_url = " +
                                m_setup.oauth2Introspection.toUtf8() + "\nusername_attribute = " +
                                m_setup.oauth2UsernameAttribute.toUtf8() +
                                "\nactive_attribute = active\nactive_value = true\n");
        withOAuth2.replace(
            QStringLiteral("auth_mechanisms = plain login apop"),
            QStringLiteral("auth_mechanisms = plain login apop xoauth2 oauthbearer"));
        withOAuth2.replace(QStringLiteral("passdb {\n  driver = passwd-file"),
                           QStringLiteral("passdb {\n  driver = oauth2\n  mechanisms = xoauth2 "
                                          "oauthbearer\n  args = ") +
                               settings + QStringLiteral("\n}\npassdb {\n  driver = passwd-file"));
    }
    if (!writeFile(m_root->filePath(QStringLiteral("dovecot.conf")), withOAuth2.toUtf8())) {
        m_why = QStringLiteral("cannot write the Dovecot configuration");
        return false;
    }
    return true;
}

QString DovecotServer::maildir(const QString& user) const {
    return m_root->filePath(QStringLiteral("home/") + user + QStringLiteral("/Maildir"));
}

void DovecotServer::takeOwnership(const QString& path) const {
    if (::geteuid() == 0)
        ::chown(QFile::encodeName(path).constData(), static_cast<uid_t>(m_mailUid),
                static_cast<gid_t>(m_mailGid));
}

void DovecotServer::addUser(const QString& name, const QString& password) {
    const QString home = m_root->filePath(QStringLiteral("home/") + name);
    for (const char* sub : {"", "/Maildir", "/Maildir/new", "/Maildir/cur", "/Maildir/tmp"}) {
        const QString path = home + QLatin1String(sub);
        QDir().mkpath(path);
        takeOwnership(path);
    }
    const QString entry = m_root->filePath(QStringLiteral("users/") + name);
    writeFile(entry, QStringLiteral("%1:{PLAIN}%2:%3:%4::%5::\n")
                         .arg(name, password)
                         .arg(m_mailUid)
                         .arg(m_mailGid)
                         .arg(home)
                         .toUtf8());
    ::chmod(QFile::encodeName(entry).constData(), 0644);
}

void DovecotServer::deliver(const QString& user, const QByteArray& message) {
    // Names that sort in delivery order, so the server numbers the messages that way.
    const QString name = QStringLiteral("%1.M%2P1.mervantic")
                             .arg(1700000000 + m_delivered, 10, 10, QLatin1Char('0'))
                             .arg(m_delivered, 8, 10, QLatin1Char('0'));
    ++m_delivered;
    const QString path = maildir(user) + QStringLiteral("/new/") + name;
    writeFile(path, message);
    takeOwnership(path);
}

QStringList DovecotServer::messageFiles(const QString& user) const {
    QStringList files;
    for (const char* sub : {"/new", "/cur"}) {
        const QDir dir(maildir(user) + QLatin1String(sub));
        for (const QString& file : dir.entryList(QDir::Files))
            files << dir.filePath(file);
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return files;
}

bool DovecotServer::remove(const QString& user, int number) {
    const QStringList files = messageFiles(user);
    return number >= 1 && number <= files.size() && QFile::remove(files.at(number - 1));
}

QList<QByteArray> DovecotServer::mailbox(const QString& user) const {
    QList<QByteArray> messages;
    for (const QString& path : messageFiles(user)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            messages << file.readAll();
    }
    return messages;
}

QString DovecotServer::logText() const {
    QFile log(m_root->filePath(QStringLiteral("dovecot.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(log.readAll());
}

} // namespace mervantic::test
