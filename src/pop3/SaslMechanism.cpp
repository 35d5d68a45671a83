#include "pop3/SaslMechanism.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace mervantic {

std::optional<QByteArray> SaslPlain::respond(const QByteArray& challenge) {
    // PLAIN has one response; a server asking again is answered with the abandon.
    if (m_answered || !challenge.isEmpty())
        return std::nullopt;
    m_answered = true;
    return QByteArray(1, '\0') + m_username + QByteArray(1, '\0') + m_password;
}

std::optional<QByteArray> SaslBearerToken::respond(const QByteArray& challenge) {
    if (!m_answered && challenge.isEmpty()) {
        m_answered = true;
        return firstResponse();
    }
    m_refusal = oauthRefusal(challenge);
    return refusalAnswer();
}

QByteArray SaslXoauth2::firstResponse() const {
    return "user=" + m_username +
           "\x01"
           "auth=Bearer " +
           m_token + "\x01\x01";
}

QByteArray SaslOauthBearer::firstResponse() const {
    // The authorisation identity is a SASL name: "," and "=" are escaped.
    QByteArray user = m_username;
    user.replace("=", "=3D").replace(",", "=2C");
    return "n,a=" + user + ",\x01host=" + m_host + "\x01port=" + QByteArray::number(m_port) +
           "\x01"
           "auth=Bearer " +
           m_token + "\x01\x01";
}

QString oauthRefusal(const QByteArray& challenge) {
    const QJsonObject error = QJsonDocument::fromJson(challenge).object();
    if (error.isEmpty())
        return QString::fromLatin1(challenge.left(200)).simplified();
    QStringList words;
    const QString status = error.value(QStringLiteral("status")).toString();
    if (status == QLatin1String("invalid_token") || status == QLatin1String("401"))
        words << QStringLiteral("the access token was refused (expired or revoked)");
    else if (status == QLatin1String("insufficient_scope") || status == QLatin1String("403"))
        words << QStringLiteral("the access token does not allow mail access");
    else if (!status.isEmpty())
        words << QStringLiteral("the server refused the access token (%1)").arg(status.left(80));
    const QString scope = error.value(QStringLiteral("scope")).toString();
    if (!scope.isEmpty())
        words << QStringLiteral("it asks for the scope %1").arg(scope.left(200));
    return words.isEmpty() ? QString::fromLatin1(challenge.left(200)).simplified()
                           : words.join(QStringLiteral("; "));
}

std::unique_ptr<SaslMechanism> chooseSaslMechanism(const QStringList& offered,
                                                   const QByteArray& username,
                                                   const QByteArray& password) {
    if (offered.contains(QStringLiteral("PLAIN")))
        return std::make_unique<SaslPlain>(username, password);
    return nullptr;
}

} // namespace mervantic
