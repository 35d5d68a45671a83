#include "platform/OAuthSignIn.h"

#include "platform/OAuthLoopback.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QOAuth2AuthorizationCodeFlow>
#include <QRandomGenerator>

namespace mervantic {

namespace {
QByteArray base64Url(const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString errorText(QAbstractOAuth::Error error) {
    switch (error) {
    case QAbstractOAuth::Error::NetworkError:
        return QStringLiteral("the provider's token address could not be reached, or refused "
                              "the sign-in's code");
    case QAbstractOAuth::Error::ServerError:
        return QStringLiteral("the provider answered with an error");
    case QAbstractOAuth::Error::OAuthTokenNotFoundError:
    case QAbstractOAuth::Error::OAuthTokenSecretNotFoundError:
        return QStringLiteral("the provider's answer held no access token");
    case QAbstractOAuth::Error::OAuthCallbackNotVerified:
        return QStringLiteral("the answer that came back was not for this sign-in");
    case QAbstractOAuth::Error::NoError:
        break;
    }
    return QStringLiteral("the sign-in failed");
}
} // namespace

QString makeCodeVerifier() {
    // 32 random bytes make 43 characters of base64url, all of them unreserved.
    QByteArray bytes(32, '\0');
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(base64Url(bytes));
}

QString codeChallenge(const QString& verifier) {
    return QString::fromLatin1(
        base64Url(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)));
}

OAuthSignIn::OAuthSignIn(OAuthEndpoints endpoints, OAuthClient client, QString loginHint,
                         QNetworkAccessManager& network, QObject* parent)
    : QObject(parent)
    , m_endpoints(std::move(endpoints))
    , m_verifier(makeCodeVerifier())
    , m_flow(std::make_unique<QOAuth2AuthorizationCodeFlow>(&network)) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        end({}, QStringLiteral("the sign-in did not end within %1 minutes (was the browser "
                               "closed?)")
                    .arg(m_timeout.interval() / 60000.0, 0, 'g', 2));
    });
    m_flow->setAuthorizationUrl(m_endpoints.authorization);
    m_flow->setAccessTokenUrl(m_endpoints.token);
    m_flow->setScope(m_endpoints.scope);
    m_flow->setClientIdentifier(client.id);
    if (!client.secret.isEmpty())
        m_flow->setClientIdentifierSharedKey(client.secret);
    // Qt's flow has no PKCE of its own: the challenge goes with the sign-in request, the
    // verifier with the exchange of the code.
    m_flow->setModifyParametersFunction(
        [this, loginHint](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant>* parameters) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                parameters->insert(QStringLiteral("code_challenge"), codeChallenge(m_verifier));
                parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
                if (!loginHint.isEmpty())
                    parameters->insert(QStringLiteral("login_hint"), loginHint);
                for (const auto& [name, value] : m_endpoints.extraParameters)
                    parameters->insert(name, value);
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                parameters->insert(QStringLiteral("code_verifier"), m_verifier);
            }
        });
    connect(m_flow.get(), &QAbstractOAuth::granted, this, [this] {
        const qint64 seconds = m_flow->expirationAt().isValid()
                                   ? QDateTime::currentDateTime().secsTo(m_flow->expirationAt())
                                   : 3600;
        end({m_flow->token(), m_flow->refreshToken(), seconds}, {});
    });
    connect(m_flow.get(), &QAbstractOAuth2::error, this,
            [this](const QString& error, const QString& description, const QUrl&) {
                end({}, QStringLiteral("%1 said no (%2%3)")
                            .arg(m_endpoints.name, error,
                                 description.isEmpty() ? QString()
                                                       : QStringLiteral(": ") + description));
            });
    connect(m_flow.get(), &QAbstractOAuth::requestFailed, this,
            [this](QAbstractOAuth::Error error) { end({}, errorText(error)); });
}

OAuthSignIn::~OAuthSignIn() {
    // The flow refers to the loopback handler: it goes first.
    if (m_flow)
        m_flow->setReplyHandler(nullptr);
}

bool OAuthSignIn::start(const std::function<void(const QUrl&)>& openBrowser, QString* why) {
    m_loopback = std::make_unique<OAuthLoopback>([this] { return m_flow->state(); });
    if (!m_loopback->isListening()) {
        if (why != nullptr)
            *why = QStringLiteral("no port of this computer's own address could be opened for "
                                  "the provider's answer");
        return false;
    }
    connect(
        m_loopback.get(), &OAuthLoopback::exchangeRefused, this, [this](const QString& refusal) {
            end({},
                QStringLiteral("%1 refused to give a token for the sign-in (%2); check the "
                               "application (client) ID, for Google the client secret, and that "
                               "the redirect address is registered for a desktop application "
                               "(\"Mobile and desktop applications\"), not for the Web")
                    .arg(m_endpoints.name, refusal));
        });
    m_flow->setReplyHandler(m_loopback.get());
    connect(m_flow.get(), &QAbstractOAuth::authorizeWithBrowser, this,
            [openBrowser](const QUrl& url) { openBrowser(url); });
    m_timeout.start();
    m_flow->grant();
    return true;
}

void OAuthSignIn::end(const OAuthGrant& grant, const QString& failure) {
    if (m_ended)
        return;
    m_ended = true;
    m_timeout.stop();
    if (m_loopback)
        m_loopback->close();
    Q_EMIT finished(grant, failure);
}

} // namespace mervantic
