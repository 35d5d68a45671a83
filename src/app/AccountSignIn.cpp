#include "app/AccountSignIn.h"

#include "platform/Desktop.h"
#include "pop3/KeptSecrets.h"

namespace mervantic {

AccountSignIn::AccountSignIn(Context context, QObject* parent)
    : QObject(parent)
    , m_context(context) {}

AccountSignIn::~AccountSignIn() = default;

void AccountSignIn::start(const MailboxAddress& account) {
    cancel();
    const quint64 attempt = ++m_attempt;
    m_account = account;
    m_running = true;
    const SignIn signIn = m_context.connections.signIn(account);
    if (!signIn.oauth2()) {
        finish(account, QStringLiteral("the account signs in with its password"));
        return;
    }
    if (signIn.clientId.trimmed().isEmpty()) {
        finish(account, QStringLiteral("the application (client) ID is empty: register the "
                                       "program with the provider first (see Help)"));
        return;
    }
    Q_EMIT progress(QStringLiteral("Asking %1 for its sign-in page...").arg(signIn.provider));
    m_context.directory.find(
        signIn.provider, [this, attempt, account](const std::optional<OAuthEndpoints>& endpoints,
                                                  const QString& why) {
            if (attempt != m_attempt)
                return;
            if (!endpoints) {
                finish(account, why);
                return;
            }
            begin(account, *endpoints);
        });
}

void AccountSignIn::begin(const MailboxAddress& account, const OAuthEndpoints& provider) {
    const SignIn signIn = m_context.connections.signIn(account);
    QString badScope;
    const std::optional<OAuthEndpoints> asked =
        provider.withExtraScope(signIn.extraScope, &badScope);
    if (!asked) {
        finish(account, badScope);
        return;
    }
    const OAuthEndpoints& endpoints = *asked;
    m_flow = std::make_unique<OAuthSignIn>(
        endpoints, OAuthClient{signIn.clientId.trimmed(), signIn.clientSecret.trimmed()},
        account.username, m_context.network);
    m_flow->setTimeoutMs(m_timeoutMs);
    const quint64 attempt = m_attempt;
    connect(m_flow.get(), &OAuthSignIn::finished, this,
            [this, attempt, account](const OAuthGrant& grant, const QString& failure) {
                if (attempt != m_attempt)
                    return;
                // The flow is done with; it goes once its signal has returned.
                m_flow.release()->deleteLater();
                if (!failure.isEmpty()) {
                    finish(account, failure);
                    return;
                }
                Q_EMIT progress(QStringLiteral("Keeping the sign-in in the desktop keyring..."));
                m_context.tokens.keep(account, grant, [this, attempt, account](const QString& why) {
                    if (attempt == m_attempt)
                        finish(account, why);
                });
            });
    QString why;
    const bool started =
        m_flow->start([this](const QUrl& url) { m_context.desktop.openUrl(url); }, &why);
    if (!started) {
        m_flow.reset();
        finish(account, why);
        return;
    }
    Q_EMIT progress(QStringLiteral("Your browser shows %1's sign-in page: sign in there as %2. "
                                   "Waiting up to %3 minutes.")
                        .arg(endpoints.name, account.username)
                        .arg(m_timeoutMs / 60000));
}

void AccountSignIn::cancel() {
    if (!m_running)
        return;
    ++m_attempt;
    if (m_flow)
        m_flow.release()->deleteLater();
    finish(m_account, QStringLiteral("the sign-in was cancelled"));
}

void AccountSignIn::finish(const MailboxAddress& account, const QString& failure) {
    m_running = false;
    Q_EMIT ended(account, failure);
}

} // namespace mervantic
