#include "platform/OAuthRefresh.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

namespace mervantic {

namespace {
// The provider's text, as plain words of a readable length.
QString cut(QString text) {
    text = text.simplified();
    constexpr qsizetype kLongest = 200;
    if (text.size() > kLongest)
        text = text.left(kLongest) + QStringLiteral("...");
    return text;
}
} // namespace

OAuthRefresh::Answer OAuthRefresh::judge(const OAuthEndpoints& endpoints, int httpStatus,
                                         const QByteArray& body) {
    const QJsonObject json = QJsonDocument::fromJson(body).object();
    Answer answer;
    const QString accessToken = json.value(QStringLiteral("access_token")).toString();
    if (httpStatus == 200 && !accessToken.isEmpty()) {
        answer.outcome = Answer::Outcome::Renewed;
        answer.grant.accessToken = accessToken;
        answer.grant.refreshToken = json.value(QStringLiteral("refresh_token")).toString();
        answer.grant.expiresInSeconds =
            json.value(QStringLiteral("expires_in")).toVariant().toLongLong();
        if (answer.grant.expiresInSeconds <= 0)
            answer.grant.expiresInSeconds = 3600;
        return answer;
    }
    const QString error = json.value(QStringLiteral("error")).toString();
    const QString description = json.value(QStringLiteral("error_description")).toString();
    // RFC 6749 5.2: these say the grant itself is no good; anything else may pass.
    const bool refused = error == QLatin1String("invalid_grant") ||
                         error == QLatin1String("invalid_client") ||
                         error == QLatin1String("unauthorized_client");
    answer.outcome = refused ? Answer::Outcome::Refused : Answer::Outcome::Unreachable;
    QString detail = error.isEmpty() ? QStringLiteral("HTTP status %1").arg(httpStatus) : error;
    if (!description.isEmpty())
        detail += QStringLiteral(": ") + description;
    answer.why =
        refused
            ? QStringLiteral("%1 refused to renew the sign-in (%2)")
                  .arg(endpoints.name, cut(detail))
            : QStringLiteral("%1 did not renew the sign-in (%2)").arg(endpoints.name, cut(detail));
    return answer;
}

void OAuthRefresh::renew(const OAuthEndpoints& endpoints, const OAuthClient& client,
                         const QString& refreshToken, Callback callback) {
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    form.addQueryItem(QStringLiteral("refresh_token"), refreshToken);
    form.addQueryItem(QStringLiteral("client_id"), client.id);
    if (!client.secret.isEmpty())
        form.addQueryItem(QStringLiteral("client_secret"), client.secret);
    // No scope: the renewed token has the scopes granted at the sign-in (RFC 6749 6), which
    // may be fewer than asked for (a provider leaves out offline_access, say).
    QNetworkRequest request(endpoints.token);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(kTimeoutMs);
    // Form encoding: '+' and the like in a token must reach the provider as they are.
    const QByteArray body = form.toString(QUrl::FullyEncoded)
                                .replace(QLatin1Char('+'), QStringLiteral("%2B"))
                                .toLatin1();
    QNetworkReply* reply = m_network.post(request, body);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
        if (received > kLargestAnswer)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, endpoints, callback] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) {
            callback({Answer::Outcome::Unreachable,
                      {},
                      QStringLiteral("%1's token address (%2) could not be reached: %3")
                          .arg(endpoints.name, endpoints.token.toString(), reply->errorString())});
            return;
        }
        callback(judge(endpoints, status, reply->read(kLargestAnswer)));
    });
}

} // namespace mervantic
