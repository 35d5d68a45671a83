#pragma once

#include "platform/OAuthEndpoints.h"
#include "platform/OAuthSignIn.h"
#include "store/ConnectionSettings.h"

#include <QObject>

#include <memory>

namespace mervantic {

class Desktop;
class KeptSecrets;

// The sign-in of one account at its provider, started from the account page: the provider's
// page opens in the user's browser, and the sign-in ends in ended(), its refresh token in the
// desktop keyring. One at a time: a second one ends the first.
class AccountSignIn final : public QObject {
    Q_OBJECT

public:
    struct Context {
        ConnectionSettings& connections;
        OAuthDirectory& directory;
        KeptSecrets& tokens;
        Desktop& desktop;
        QNetworkAccessManager& network;
    };
    explicit AccountSignIn(Context context, QObject* parent = nullptr);
    ~AccountSignIn() override;

    void start(const MailboxAddress& account);
    // Ends the sign-in under way, if any: ended() says it was cancelled.
    void cancel();
    bool running() const { return m_running; }

    // How long the user has in the browser; shortened by tests.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

Q_SIGNALS:
    // What is going on, for the user.
    void progress(const QString& text);
    // `failure` is empty when the account is signed in.
    void ended(const mervantic::MailboxAddress& account, const QString& failure);

private:
    void begin(const MailboxAddress& account, const OAuthEndpoints& provider);
    void finish(const MailboxAddress& account, const QString& failure);

    Context m_context;
    int m_timeoutMs = OAuthSignIn::kTimeoutMs;
    std::unique_ptr<OAuthSignIn> m_flow;
    MailboxAddress m_account;
    bool m_running = false;
    // Counts sign-ins, so that a late answer of one given up is not taken for the next.
    quint64 m_attempt = 0;
};

} // namespace mervantic
