#pragma once

#include "platform/Clock.h"
#include "platform/OAuthEndpoints.h"
#include "platform/OAuthRefresh.h"
#include "platform/OAuthSignIn.h"
#include "platform/SecretStore.h"
#include "pop3/AccessTokens.h"

#include <map>

namespace mervantic {

// The tokens of the accounts that sign in with OAuth2. The refresh token lives in the desktop
// keyring only; the access token in memory, renewed with the refresh token shortly before it
// expires, at the time a run asks for it.
class OAuthTokens final : public AccessTokens {
public:
    struct Context {
        ConnectionSettings& connections;
        OAuthDirectory& directory;
        OAuthRefresh& refresh;
        SecretStore& keyring;
        const Clock& clock;
    };
    explicit OAuthTokens(Context context)
        : m_context(context) {}

    void request(const MailboxAddress& account, Callback callback) override;
    void forget(const MailboxAddress& account) override;

    // A sign-in gave `grant`: its refresh token goes to the keyring. `done` is told what went
    // wrong, or nothing.
    void keep(const MailboxAddress& account, const OAuthGrant& grant,
              std::function<void(const QString& failure)> done);

    // An access token with less than this left is renewed first.
    static constexpr qint64 kRenewBeforeSeconds = 60;

    // The words of a failure that only a new sign-in mends.
    static QString signInNeeded(const QString& why);

private:
    struct Access {
        QByteArray token;
        QDateTime expiresAt;
    };
    QString secretName(const MailboxAddress& account);
    void renew(const MailboxAddress& account, const OAuthEndpoints& endpoints, const SignIn& signIn,
               Callback callback);
    void remember(const QString& name, const OAuthGrant& grant);

    Context m_context;
    // By the account's secret name, which follows it through a change in place.
    std::map<QString, Access> m_access;
};

} // namespace mervantic
