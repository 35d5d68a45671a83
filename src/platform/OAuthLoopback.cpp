#include "platform/OAuthLoopback.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QOAuthHttpServerReplyHandler>
#include <QUrl>

namespace mervantic {

namespace {
QString valueOf(const QVariantMap& values, const char* key) {
    return QUrl::fromPercentEncoding(values.value(QLatin1String(key)).toByteArray());
}
} // namespace

OAuthLoopback::OAuthLoopback(std::function<QString()> expectedState, QObject* parent)
    : QAbstractOAuthReplyHandler(parent)
    , m_expectedState(std::move(expectedState))
    // Port 0: any free port; the provider takes any port on the loopback address (RFC 8252).
    , m_http(std::make_unique<QOAuthHttpServerReplyHandler>(QHostAddress::LocalHost, 0)) {
    m_http->setCallbackText(strangerPage());
    // The page is sent once every receiver of the redirect has run: it is set here, per request.
    connect(m_http.get(), &QOAuthHttpServerReplyHandler::callbackReceived, this,
            &OAuthLoopback::onRedirect);
}

OAuthLoopback::~OAuthLoopback() = default;

QString OAuthLoopback::acceptedPage() {
    return QStringLiteral("Mervantic: the provider accepted the sign-in. Mervantic finishes it "
                          "now; its Sign-In window says when it is done. You can close this page.");
}

QString OAuthLoopback::refusedPage() {
    return QStringLiteral("Mervantic: the provider refused the sign-in. Its Sign-In window says "
                          "why. You can close this page.");
}

QString OAuthLoopback::strangerPage() {
    return QStringLiteral("Mervantic: this answer is not for the sign-in under way, and was "
                          "ignored.");
}

QString OAuthLoopback::repeatedPage() {
    return QStringLiteral("Mervantic: this sign-in was answered already; this answer was "
                          "ignored.");
}

bool OAuthLoopback::isListening() const {
    return m_http->isListening();
}

void OAuthLoopback::close() {
    m_http->close();
}

QString OAuthLoopback::callback() const {
    return m_http->callback();
}

void OAuthLoopback::onRedirect(const QVariantMap& values) {
    const QString expected = m_expectedState();
    if (expected.isEmpty() || valueOf(values, "state") != expected) {
        m_http->setCallbackText(strangerPage());
        return;
    }
    if (m_answered) {
        m_http->setCallbackText(repeatedPage());
        return;
    }
    m_answered = true;
    const bool refused = values.contains(QStringLiteral("error"));
    m_http->setCallbackText(refused ? refusedPage() : acceptedPage());
    QVariantMap forwarded = values;
    if (refused) {
        // The flow shows the provider's words as they came in the query, '+' for blanks.
        for (const char* key : {"error", "error_description"})
            forwarded.insert(QLatin1String(key),
                             QUrl::fromPercentEncoding(
                                 values.value(QLatin1String(key)).toByteArray().replace('+', ' ')));
    }
    Q_EMIT callbackReceived(forwarded);
}

void OAuthLoopback::networkReplyFinished(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->read(kLargestAnswer);
    const QJsonObject json = QJsonDocument::fromJson(body).object();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 &&
        !json.isEmpty()) {
        Q_EMIT tokensReceived(json.toVariantMap());
        return;
    }
    const QString error = json.value(QStringLiteral("error")).toString();
    const QString description = json.value(QStringLiteral("error_description")).toString();
    QString why;
    if (!error.isEmpty())
        why = description.isEmpty() ? error : error + QStringLiteral(": ") + description;
    else if (status != 0)
        why = QStringLiteral("HTTP status %1").arg(status);
    else
        why = reply->errorString();
    Q_EMIT exchangeRefused(why.simplified().left(300));
}

} // namespace mervantic
