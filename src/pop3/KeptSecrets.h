#pragma once

#include "platform/Clock.h"
#include "platform/OAuthEndpoints.h"
#include "platform/OAuthRefresh.h"
#include "platform/OAuthSignIn.h"
#include "platform/SecretStore.h"
#include "pop3/SignInSecrets.h"

#include <map>

namespace mervantic {

// The secrets of the accounts that are not in the account file. For OAuth2, the refresh token
// lives in the desktop keyring only, the access token in memory, renewed with the refresh token
// shortly before it expires, at the time a run asks for it. Passwords the user moved to the
// keyring are read from it at each log-on.
class KeptSecrets final : public SignInSecrets {
public:
    struct Context {
        ConnectionSettings& connections;
        OAuthDirectory& directory;
        OAuthRefresh& refresh;
        SecretStore& keyring;
        const Clock& clock;
    };
    explicit KeptSecrets(Context context)
        : m_context(context) {}

    void requestAccessToken(const MailboxAddress& account, Callback callback) override;
    void forget(const MailboxAddress& account) override;
    void requestPassword(const MailboxAddress& account, Callback callback) override;

    // An account deleted: its secrets leave the keyring too.
    void removeAll(const MailboxAddress& account);
    // Where an account's password is kept in the keyring.
    QString passwordName(const MailboxAddress& account);

    // A sign-in gave `grant`: its refresh token goes to the keyring. `done` is told what went
    // wrong, or nothing.
    void keep(const MailboxAddress& account, const OAuthGrant& grant,
              std::function<void(const QString& failure)> done);

    // An access token with less than this left is renewed first.
    static constexpr qint64 kRenewBeforeSeconds = 60;

    // Where the account's sign-in stands in the keyring, in words for its settings window:
    // kept, missing (not signed in on this computer), or why the keyring could not say.
    void describe(const MailboxAddress& account, std::function<void(const QString&)> told);

    // What the keyring's own window shows of an account's secret: the program, `what` it is
    // and whose.
    static QString label(const QString& what, const MailboxAddress& account);

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
