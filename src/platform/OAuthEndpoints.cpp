#include "platform/OAuthEndpoints.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace mervantic {

std::optional<OAuthEndpoints> OAuthEndpoints::withExtraScope(const QString& extra,
                                                             QString* why) const {
    OAuthEndpoints asked = *this;
    const QStringList scopes = extra.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& added : scopes) {
        for (const QChar c : added) {
            if (c.unicode() < 0x21 || c.unicode() > 0x7E || c == QLatin1Char('"') ||
                c == QLatin1Char('\\')) {
                *why = QStringLiteral("the extra scope \"%1\" holds a character no scope may hold")
                           .arg(added);
                return std::nullopt;
            }
        }
        if (!asked.scope.split(QLatin1Char(' ')).contains(added))
            asked.scope += QLatin1Char(' ') + added;
    }
    return asked;
}

namespace {
constexpr int kDiscoveryTimeoutMs = 30000;

QString providerKey(const QString& provider) {
    return provider.trimmed().toCaseFolded();
}

// Tokens and the addresses that hand them out travel encrypted; plain HTTP only to a provider
// on this computer, which no one on the way can read or change.
bool encryptedOrLocal(const QUrl& url) {
    if (url.scheme() == QLatin1String("https"))
        return !url.host().isEmpty();
    if (url.scheme() != QLatin1String("http"))
        return false;
    const QHostAddress address(url.host());
    return url.host() == QLatin1String("localhost") || (!address.isNull() && address.isLoopback());
}
} // namespace

OAuthDirectory::OAuthDirectory(QNetworkAccessManager& network)
    : m_network(network) {
    setBuiltIn(QStringLiteral("Microsoft"), microsoft());
    setBuiltIn(QStringLiteral("Google"), google());
}

OAuthEndpoints OAuthDirectory::microsoft() {
    // "common" takes personal (Outlook.com, Hotmail) and work or school accounts alike.
    return {QStringLiteral("Microsoft"),
            QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize")),
            QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token")),
            QStringLiteral("https://outlook.office.com/POP.AccessAsUser.All offline_access"),
            {}};
}

OAuthEndpoints OAuthDirectory::google() {
    return {QStringLiteral("Google"),
            QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth")),
            QUrl(QStringLiteral("https://oauth2.googleapis.com/token")),
            QStringLiteral("https://mail.google.com/"),
            {{QStringLiteral("access_type"), QStringLiteral("offline")},
             {QStringLiteral("prompt"), QStringLiteral("consent")}}};
}

void OAuthDirectory::setBuiltIn(const QString& name, OAuthEndpoints endpoints) {
    m_known[providerKey(name)] = std::move(endpoints);
}

void OAuthDirectory::find(const QString& provider, Answer answer) {
    const auto known = m_known.find(providerKey(provider));
    if (known != m_known.end()) {
        answer(known->second, {});
        return;
    }
    const QUrl issuer(provider.trimmed(), QUrl::StrictMode);
    if (!issuer.isValid() || !encryptedOrLocal(issuer)) {
        answer(std::nullopt,
               QStringLiteral("\"%1\" is neither Microsoft nor Google nor a provider's address "
                              "(https://...)")
                   .arg(provider));
        return;
    }
    QUrl document = issuer;
    QString path = document.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    document.setPath(path + QStringLiteral(".well-known/openid-configuration"));
    QNetworkRequest request(document);
    request.setTransferTimeout(kDiscoveryTimeoutMs);
    QNetworkReply* reply = m_network.get(request);
    // The document is the provider's to write: a reply larger than any provider's is not read.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
        if (received > kLargestDocument)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, provider, answer] {
        reply->deleteLater();
        const QString where = reply->url().toString();
        if (reply->error() != QNetworkReply::NoError) {
            answer(std::nullopt, QStringLiteral("the provider's description (%1) could not be "
                                                "read: %2")
                                     .arg(where, reply->errorString()));
            return;
        }
        const QJsonObject found = QJsonDocument::fromJson(reply->read(kLargestDocument)).object();
        const QUrl authorization(found.value(QStringLiteral("authorization_endpoint")).toString());
        const QUrl token(found.value(QStringLiteral("token_endpoint")).toString());
        if (!authorization.isValid() || authorization.isRelative() || !token.isValid() ||
            token.isRelative()) {
            answer(std::nullopt, QStringLiteral("the provider's description (%1) names no "
                                                "sign-in and token addresses")
                                     .arg(where));
            return;
        }
        if (!encryptedOrLocal(authorization) || !encryptedOrLocal(token)) {
            answer(std::nullopt, QStringLiteral("the provider's description (%1) names sign-in "
                                                "or token addresses that are not https://")
                                     .arg(where));
            return;
        }
        // A mail server of the provider's takes its own scopes; these ask for a refresh token
        // and the user's identity, which is what every OpenID Connect provider knows.
        QString scope = QStringLiteral("openid");
        std::vector<std::pair<QString, QString>> extra;
        const QJsonArray scopes = found.value(QStringLiteral("scopes_supported")).toArray();
        if (scopes.contains(QStringLiteral("offline_access"))) {
            scope += QStringLiteral(" offline_access");
            // OpenID Connect gives a refresh token for offline_access only with the user's
            // consent asked for; without it the sign-in lasts an hour.
            extra.emplace_back(QStringLiteral("prompt"), QStringLiteral("consent"));
        }
        OAuthEndpoints endpoints{found.value(QStringLiteral("issuer")).toString(provider),
                                 authorization, token, scope, std::move(extra)};
        m_known[providerKey(provider)] = endpoints;
        answer(endpoints, {});
    });
}

} // namespace mervantic
