#include "platform/DesktopKeyring.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>
#include <optional>
#include <utility>

namespace mervantic {

namespace {
const QString kService = QStringLiteral("Mervantic");

SecretStore::Answer answerOf(const QKeychain::Job& job) {
    using Outcome = SecretStore::Answer::Outcome;
    SecretStore::Answer answer;
    answer.why = job.errorString();
    switch (job.error()) {
    case QKeychain::NoError:
        answer.outcome = Outcome::Done;
        break;
    case QKeychain::EntryNotFound:
        answer.outcome = Outcome::NotFound;
        break;
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        answer.outcome = Outcome::Locked;
        break;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        answer.outcome = Outcome::Unavailable;
        break;
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::OtherError:
        answer.outcome = Outcome::Failed;
        break;
    }
    // No Secret Service on the session bus comes back as a D-Bus error, not as "no backend".
    if (answer.outcome == Outcome::Failed &&
        answer.why.contains(QLatin1String("org.freedesktop.secrets")) &&
        (answer.why.contains(QLatin1String("not provided")) ||
         answer.why.contains(QLatin1String("ServiceUnknown"))))
        answer.outcome = Outcome::Unavailable;
    return answer;
}

// Runs one job and answers once: when it finishes or when the time-out is over, whichever
// comes first. The job deletes itself when it finishes, even after the time-out.
void run(QKeychain::Job* job, int timeoutMs, const std::shared_ptr<bool>& alive,
         SecretStore::Callback userCallback,
         std::function<QByteArray(QKeychain::Job&)> secretOf = {}) {
    // A keyring's answer may come after the program let go of the keyring (a window closed
    // while it was asked): the job lives on to its end, and the answer goes to nobody.
    const SecretStore::Callback callback = [alive, userCallback](const SecretStore::Answer& a) {
        if (*alive)
            userCallback(a);
    };
    auto answered = std::make_shared<bool>(false);
    auto timer = new QTimer(job);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, job, [answered, callback] {
        if (std::exchange(*answered, true))
            return;
        callback({SecretStore::Answer::Outcome::Locked,
                  {},
                  QStringLiteral("the keyring did not answer (is it waiting to be unlocked?)")});
    });
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [answered, callback, secretOf](QKeychain::Job* finished) {
                         if (std::exchange(*answered, true))
                             return;
                         SecretStore::Answer answer = answerOf(*finished);
                         if (answer.done() && secretOf)
                             answer.secret = secretOf(*finished);
                         callback(answer);
                     });
    job->setAutoDelete(true);
    // Never into a file: a keyring that is not there is said, not worked round.
    job->setInsecureFallback(false);
    timer->start(timeoutMs);
    job->start();
}
// The Secret Service's items that hold a secret of the program's under `name` (the attributes
// QtKeychain keeps it by): `found` is told the unlocked ones and the locked ones, or nothing when
// the service did not answer.
using ItemPaths = QList<QDBusObjectPath>;
void searchItems(const QString& name,
                 std::function<void(std::optional<std::pair<ItemPaths, ItemPaths>>)> found) {
    static const QMetaType registered = qDBusRegisterMetaType<QMap<QString, QString>>();
    Q_UNUSED(registered)
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    ask << QVariant::fromValue(QMap<QString, QString>{{QStringLiteral("server"), kService},
                                                      {QStringLiteral("user"), name}});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [found = std::move(found)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         const QDBusPendingReply<ItemPaths, ItemPaths> reply = *done;
                         if (reply.isError())
                             found(std::nullopt);
                         else
                             found(std::pair{reply.argumentAt<0>(), reply.argumentAt<1>()});
                     });
}

// A locked keyring hides what it holds: the Secret Service answers "nothing there" when it
// cannot ask the user to unlock it. The service is asked whether it holds the secret locked
// before "nothing there" is believed.
void tellLockedFromNotFound(const QString& name, const SecretStore::Callback& callback) {
    searchItems(name, [callback](const auto& items) {
        if (items && !items->second.isEmpty()) {
            callback({SecretStore::Answer::Outcome::Locked,
                      {},
                      QStringLiteral("unlock it, then check again")});
            return;
        }
        callback({SecretStore::Answer::Outcome::NotFound, {}, {}});
    });
}

// QtKeychain labels every item with the service's name alone; the item is given its own label
// through the Secret Service once it is written. A keyring without the service (another
// backend) keeps the plain one: the label is for the user's eyes only.
void labelItem(const QString& name, const QString& label) {
    searchItems(name, [label](const auto& items) {
        if (!items)
            return;
        for (const QDBusObjectPath& item : items->first) {
            QDBusMessage set = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.secrets"), item.path(),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
            set << QStringLiteral("org.freedesktop.Secret.Item") << QStringLiteral("Label")
                << QVariant::fromValue(QDBusVariant(label));
            QDBusConnection::sessionBus().asyncCall(set);
        }
    });
}
} // namespace

QString secretStoreFailure(const SecretStore::Answer& answer, const QString& what) {
    using Outcome = SecretStore::Answer::Outcome;
    const QString detail =
        answer.why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(answer.why);
    switch (answer.outcome) {
    case Outcome::Done:
        return {};
    case Outcome::NotFound:
        return QStringLiteral("the desktop keyring holds no %1").arg(what);
    case Outcome::Unavailable:
        return QStringLiteral("the desktop keyring that keeps the %1 is not there (no Secret "
                              "Service on this desktop)%2")
            .arg(what, detail);
    case Outcome::Locked:
        return QStringLiteral("the desktop keyring that keeps the %1 is locked%2")
            .arg(what, detail);
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("the desktop keyring could not reach the %1%2").arg(what, detail);
}

DesktopKeyring::DesktopKeyring(QObject* parent)
    : QObject(parent) {}

DesktopKeyring::~DesktopKeyring() {
    *m_alive = false;
}

void DesktopKeyring::read(const QString& name, Callback callback) {
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(name);
    run(
        job, m_timeoutMs, m_alive,
        [name, callback, alive = m_alive](const Answer& answer) {
            if (answer.outcome == Answer::Outcome::NotFound)
                tellLockedFromNotFound(name, [alive, callback](const Answer& asked) {
                    if (*alive)
                        callback(asked);
                });
            else
                callback(answer);
        },
        [](QKeychain::Job& done) {
            return static_cast<QKeychain::ReadPasswordJob&>(done).binaryData();
        });
}

void DesktopKeyring::write(const QString& name, const QByteArray& secret, const QString& label,
                           Callback callback) {
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(name);
    // As text, so that the keyring's own window shows it as the user typed it.
    job->setTextData(QString::fromUtf8(secret));
    run(job, m_timeoutMs, m_alive, [name, label, callback](const Answer& answer) {
        if (answer.done() && !label.isEmpty())
            labelItem(name, label);
        callback(answer);
    });
}

void DesktopKeyring::remove(const QString& name, Callback callback) {
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setKey(name);
    run(job, m_timeoutMs, m_alive, [callback](const Answer& answer) {
        if (answer.outcome == Answer::Outcome::NotFound)
            callback({Answer::Outcome::Done, {}, {}});
        else
            callback(answer);
    });
}

} // namespace mervantic
