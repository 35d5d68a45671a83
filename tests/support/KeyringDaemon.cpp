#include "KeyringDaemon.h"

#include "EventLoop.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QStandardPaths>

namespace mervantic::test {

namespace {
const QByteArray kPassword = "keyring-password";
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kLogin = QStringLiteral("/org/freedesktop/secrets/collection/login");
} // namespace

KeyringDaemon& KeyringDaemon::shared() {
    // Stopped while the application (and its D-Bus connections) still stands; a static's
    // destructor would run after them.
    static KeyringDaemon* keyring = [] {
        qAddPostRoutine([] { delete keyring; });
        return new KeyringDaemon;
    }();
    return *keyring;
}

KeyringDaemon::~KeyringDaemon() {
    stopDaemon();
}

bool KeyringDaemon::start() {
    if (m_started)
        return true;
    if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty()) {
        m_why = QStringLiteral("gnome-keyring-daemon is not installed (package gnome-keyring)");
        return false;
    }
    if (!m_bus.start()) {
        m_why = m_bus.why();
        return false;
    }
    // Every Secret Service client of this process (QtKeychain, libsecret) finds it here.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
    m_started = startDaemon();
    return m_started;
}

bool KeyringDaemon::startDaemon() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    m_bus.addTo(environment);
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    const QString runtime = m_home.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_daemon.setProcessEnvironment(environment);
    const QStringList arguments{QStringLiteral("--foreground"),
                                QStringLiteral("--components=secrets"), QStringLiteral("--unlock")};
    m_daemon.start(QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")),
                   arguments);
    if (!m_daemon.waitForStarted(5000)) {
        m_why = QStringLiteral("gnome-keyring-daemon did not start");
        return false;
    }
    m_daemon.write(kPassword);
    m_daemon.closeWriteChannel();
    const QDBusConnection watcher = m_bus.connection(QStringLiteral("host"));
    if (!waitUntil(
            [&watcher] {
                return watcher.interface()
                    ->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))
                    .value();
            },
            10000)) {
        m_why = QStringLiteral("gnome-keyring-daemon did not offer the Secret Service: ") +
                QString::fromUtf8(m_daemon.readAllStandardError());
        return false;
    }
    return true;
}

void KeyringDaemon::stopDaemon() {
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(2000);
    const QDBusConnection watcher = m_bus.connection(QStringLiteral("host"));
    waitUntil(
        [&watcher] {
            return !watcher.interface()
                        ->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))
                        .value();
        },
        5000);
}

bool KeyringDaemon::lock() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kSecrets, QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    call << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(kLogin)});
    const QDBusMessage reply = m_bus.connection(QStringLiteral("host")).call(call);
    if (reply.type() == QDBusMessage::ErrorMessage)
        m_why = reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool KeyringDaemon::unlock() {
    const QDBusConnection bus = m_bus.connection(QStringLiteral("host"));
    QDBusMessage open = QDBusMessage::createMethodCall(
        kSecrets, QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("OpenSession"));
    open << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString()));
    const QDBusMessage session = bus.call(open);
    if (session.type() != QDBusMessage::ReplyMessage || session.arguments().size() < 2) {
        m_why = session.errorMessage();
        return false;
    }
    const auto sessionPath = session.arguments().at(1).value<QDBusObjectPath>();
    // GNOME Keyring's own way in with the password, as its log-in module does; the Secret
    // Service's Unlock would ask the user through a prompt.
    QDBusMessage unlock = QDBusMessage::createMethodCall(
        kSecrets, QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
        QStringLiteral("UnlockWithMasterPassword"));
    QDBusArgument secret;
    secret.beginStructure();
    secret << sessionPath << QByteArray() << kPassword << QStringLiteral("text/plain");
    secret.endStructure();
    unlock << QVariant::fromValue(QDBusObjectPath(kLogin)) << QVariant::fromValue(secret);
    const QDBusMessage reply = bus.call(unlock);
    if (reply.type() == QDBusMessage::ErrorMessage)
        m_why = reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

QByteArray KeyringDaemon::secretTool(const QString& command, const QString& name) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    m_bus.addTo(environment);
    tool.setProcessEnvironment(environment);
    // QtKeychain keeps a secret under the attributes "server" (its service) and "user" (its key).
    tool.start(QStandardPaths::findExecutable(QStringLiteral("secret-tool")),
               {command, QStringLiteral("server"), QStringLiteral("Mervantic"),
                QStringLiteral("user"), name});
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput();
}

QByteArray KeyringDaemon::lookUp(const QString& name) {
    return secretTool(QStringLiteral("lookup"), name);
}

QString KeyringDaemon::labelOf(const QString& name) {
    // secret-tool prints the item's fields as "name = value" lines, the label among them.
    const QString printed = QString::fromUtf8(secretTool(QStringLiteral("search"), name));
    for (const QString& line : printed.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("label = ")))
            return line.mid(8);
    return {};
}

} // namespace mervantic::test
