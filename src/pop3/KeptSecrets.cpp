#include "pop3/KeptSecrets.h"

namespace mervantic {

namespace {
const QString kWhere = QStringLiteral("; press Enter on the account's row in the mail list, or "
                                      "choose the account on the Configure Usernames page and "
                                      "press \"Sign-In...\"");
const QString kRefreshTokenWhat = QStringLiteral("sign-in of this account");
const QString kRefreshTokenLabel = QStringLiteral("OAuth2 sign-in");
// The keyring's names of an account's secrets: a kind, then the account's secret name.
const QString kRefreshTokenKind = QStringLiteral("oauth2-refresh-token/");
const QString kPasswordKind = QStringLiteral("password/");
} // namespace

QString KeptSecrets::signInNeeded(const QString& why) {
    return QStringLiteral("Sign-in needed: ") + why + kWhere;
}

QString KeptSecrets::label(const QString& what, const MailboxAddress& account) {
    return QStringLiteral("Mervantic: %1 of %2 at %3, port %4")
        .arg(what, account.username, account.server, account.port);
}

void KeptSecrets::describe(const MailboxAddress& account,
                           std::function<void(const QString&)> told) {
    const bool oauth2 = m_context.connections.signIn(account).oauth2();
    if (!oauth2 && !m_context.connections.passwordInKeyring(account)) {
        told(QStringLiteral("The password is kept in the account file."));
        return;
    }
    const QString kept = m_context.connections.existingSecretName(account);
    if (oauth2 && kept.isEmpty()) {
        told(QStringLiteral("Not signed in on this computer."));
        return;
    }
    const QString name = oauth2 ? kRefreshTokenKind + kept : passwordName(account);
    const QString what = oauth2 ? kRefreshTokenWhat : QStringLiteral("password of this account");
    m_context.keyring.read(name, [oauth2, what, told](const SecretStore::Answer& answer) {
        if (answer.done() && !answer.secret.isEmpty())
            told(oauth2 ? QStringLiteral("Signed in: the sign-in is kept in the desktop keyring.")
                        : QStringLiteral("The password is kept in the desktop keyring."));
        else if (answer.outcome == SecretStore::Answer::Outcome::NotFound || answer.done())
            told(oauth2 ? QStringLiteral("Not signed in on this computer.")
                        : QStringLiteral("The desktop keyring holds no password of this account: "
                                         "enter it again."));
        else
            told(QStringLiteral("Not known: ") + secretStoreFailure(answer, what) +
                 QLatin1Char('.'));
    });
}

QString KeptSecrets::secretName(const MailboxAddress& account) {
    return kRefreshTokenKind + m_context.connections.secretName(account);
}

void KeptSecrets::remember(const QString& name, const OAuthGrant& grant) {
    m_access[name] = {grant.accessToken.toUtf8(),
                      m_context.clock.now().addSecs(grant.expiresInSeconds)};
}

void KeptSecrets::requestAccessToken(const MailboxAddress& account, Callback callback) {
    const SignIn signIn = m_context.connections.signIn(account);
    if (!signIn.oauth2()) {
        callback({{}, QStringLiteral("the account does not sign in with OAuth2")});
        return;
    }
    const QString name = secretName(account);
    const auto cached = m_access.find(name);
    if (cached != m_access.end() &&
        m_context.clock.now().secsTo(cached->second.expiresAt) > kRenewBeforeSeconds) {
        callback({cached->second.token, {}});
        return;
    }
    m_context.directory.find(
        signIn.provider, [this, account, signIn, callback](
                             const std::optional<OAuthEndpoints>& endpoints, const QString& why) {
            if (!endpoints) {
                callback({{}, QStringLiteral("The sign-in could not be renewed: ") + why});
                return;
            }
            renew(account, *endpoints, signIn, callback);
        });
}

void KeptSecrets::renew(const MailboxAddress& account, const OAuthEndpoints& endpoints,
                        const SignIn& signIn, Callback callback) {
    const QString name = secretName(account);
    const QString tokenLabel = label(kRefreshTokenLabel, account);
    m_context.keyring.read(name, [this, name, tokenLabel, endpoints, signIn,
                                  callback](const SecretStore::Answer& kept) {
        if (kept.outcome == SecretStore::Answer::Outcome::NotFound ||
            (kept.done() && kept.secret.isEmpty())) {
            callback({{},
                      signInNeeded(QStringLiteral("the account signs in with %1 (OAuth2) "
                                                  "and has not signed in on this computer")
                                       .arg(endpoints.name))});
            return;
        }
        if (!kept.done()) {
            callback(
                {{}, QStringLiteral("No sign-in: ") + secretStoreFailure(kept, kRefreshTokenWhat)});
            return;
        }
        m_context.refresh.renew(
            endpoints, {signIn.clientId, signIn.clientSecret}, QString::fromUtf8(kept.secret),
            [this, name, tokenLabel, kept, callback](const OAuthRefresh::Answer& answer) {
                switch (answer.outcome) {
                case OAuthRefresh::Answer::Outcome::Renewed:
                    remember(name, answer.grant);
                    // A provider that turns its refresh tokens over gives the next one here; the
                    // old one may already be dead, so the new one is kept before the log-on.
                    if (!answer.grant.refreshToken.isEmpty() &&
                        answer.grant.refreshToken.toUtf8() != kept.secret) {
                        const QByteArray token = answer.grant.accessToken.toUtf8();
                        m_context.keyring.write(
                            name, answer.grant.refreshToken.toUtf8(), tokenLabel,
                            [callback, token](const SecretStore::Answer& written) {
                                // The token got goes on; a sign-in that could not be kept
                                // will be needed again, and the user hears it now.
                                callback(
                                    {token,
                                     {},
                                     written.done()
                                         ? QString()
                                         : QStringLiteral("The renewed sign-in could not "
                                                          "be kept: ") +
                                               secretStoreFailure(written, kRefreshTokenWhat)});
                            });
                        return;
                    }
                    callback({answer.grant.accessToken.toUtf8(), {}, {}});
                    return;
                case OAuthRefresh::Answer::Outcome::Refused:
                    m_access.erase(name);
                    callback({{}, signInNeeded(answer.why)});
                    return;
                case OAuthRefresh::Answer::Outcome::Unreachable:
                    callback(
                        {{}, QStringLiteral("The sign-in could not be renewed: ") + answer.why});
                    return;
                }
            });
    });
}

QString KeptSecrets::passwordName(const MailboxAddress& account) {
    return kPasswordKind + m_context.connections.secretName(account);
}

void KeptSecrets::requestPassword(const MailboxAddress& account, Callback callback) {
    m_context.keyring.read(passwordName(account), [callback](const SecretStore::Answer& kept) {
        if (kept.done())
            callback({kept.secret, {}});
        else
            callback({{},
                      QStringLiteral("No password: ") +
                          secretStoreFailure(kept, QStringLiteral("password of this account"))});
    });
}

void KeptSecrets::removeAll(const MailboxAddress& account) {
    const QString name = m_context.connections.existingSecretName(account);
    if (name.isEmpty())
        return;
    m_access.erase(kRefreshTokenKind + name);
    for (const QString& kind : {kRefreshTokenKind, kPasswordKind})
        m_context.keyring.remove(kind + name, [](const SecretStore::Answer&) {});
}

void KeptSecrets::forget(const MailboxAddress& account) {
    m_access.erase(secretName(account));
}

void KeptSecrets::keep(const MailboxAddress& account, const OAuthGrant& grant,
                       std::function<void(const QString&)> done) {
    const QString name = secretName(account);
    remember(name, grant);
    if (grant.refreshToken.isEmpty()) {
        done(QStringLiteral("the provider gave no refresh token, so the sign-in lasts only "
                            "until the access token expires"));
        return;
    }
    m_context.keyring.write(name, grant.refreshToken.toUtf8(), label(kRefreshTokenLabel, account),
                            [done](const SecretStore::Answer& answer) {
                                done(answer.done() ? QString()
                                                   : secretStoreFailure(answer, kRefreshTokenWhat));
                            });
}

} // namespace mervantic
