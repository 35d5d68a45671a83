#pragma once

#include "platform/SecretStore.h"

#include <QObject>

#include <memory>

namespace mervantic {

// The desktop's Secret Service (GNOME Keyring, KWallet, KeePassXC) through QtKeychain. Secrets
// are kept under the service "Mervantic", one per name.
class DesktopKeyring final : public QObject, public SecretStore {
    Q_OBJECT

public:
    explicit DesktopKeyring(QObject* parent = nullptr);
    ~DesktopKeyring() override;

    void read(const QString& name, Callback callback) override;
    void write(const QString& name, const QByteArray& secret, const QString& label,
               Callback callback) override;
    void remove(const QString& name, Callback callback) override;

    // A keyring that asks the user to unlock it is given this long; an answer after it is
    // dropped.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    static constexpr int kTimeoutMs = 120000;

private:
    int m_timeoutMs = kTimeoutMs;
    // False once this keyring is gone: answers that come later are dropped.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace mervantic
