#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace mervantic {

// A place for secrets outside the program's files: the desktop's keyring. Every answer comes
// later (a keyring may ask the user to unlock it), once, and at the latest after a time-out.
class SecretStore {
public:
    struct Answer {
        enum class Outcome {
            Done,
            // Nothing is kept under that name.
            NotFound,
            // There is no keyring on this desktop (no Secret Service).
            Unavailable,
            // The keyring is there but locked, or the user refused to open it.
            Locked,
            Failed,
        };
        Outcome outcome = Outcome::Failed;
        QByteArray secret;
        // The keyring's own words when it did not do it.
        QString why;
        bool done() const { return outcome == Outcome::Done; }
    };
    using Callback = std::function<void(const Answer&)>;

    virtual ~SecretStore() = default;
    virtual void read(const QString& name, Callback callback) = 0;
    // `label` is what the keyring's own window shows of it, so that the user can tell the
    // program's secrets apart.
    virtual void write(const QString& name, const QByteArray& secret, const QString& label,
                       Callback callback) = 0;
    // Removing what is not there is done, not a failure.
    virtual void remove(const QString& name, Callback callback) = 0;
};

// The reason an answer that was not Done gives the user, about the secret `what`.
QString secretStoreFailure(const SecretStore::Answer& answer, const QString& what);

} // namespace mervantic
