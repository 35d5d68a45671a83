#include "pop3/SaslExchange.h"

#include "store/Windows1252.h"

namespace mervantic {

bool SaslExchange::choose(const SessionState& session, const Capabilities& capabilities) {
    reset();
    if (session.signIn.oauth2()) {
        const QByteArray username = session.username.toUtf8();
        const bool microsoft =
            session.signIn.provider.compare(QLatin1String("Microsoft"), Qt::CaseInsensitive) == 0;
        if (!microsoft &&
            capabilities.sasl.contains(QStringLiteral("OAUTHBEARER"), Qt::CaseInsensitive)) {
            m_mechanism = std::make_unique<SaslOauthBearer>(username, session.accessToken,
                                                            session.server.toUtf8(),
                                                            session.portNumber().value_or(0));
        } else {
            m_mechanism = std::make_unique<SaslXoauth2>(username, session.accessToken);
        }
        return true;
    }
    // For a password, USER and PASS are what every server has always taken.
    if (capabilities.listed && !capabilities.user) {
        m_mechanism = chooseSaslMechanism(capabilities.sasl, Windows1252::encode(session.username),
                                          Windows1252::encode(session.password));
    }
    return m_mechanism != nullptr;
}

QByteArray SaslExchange::command() const {
    return "AUTH " + (m_mechanism ? m_mechanism->name() : QByteArray());
}

std::optional<QByteArray> SaslExchange::answer(const QByteArray& reply) {
    if (++m_rounds > kMostRounds)
        return std::nullopt;
    // "+ " and the challenge in base64; a challenge that is not base64 ends the exchange.
    const QByteArray text = reply.mid(1).trimmed();
    const QByteArray::FromBase64Result challenge =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    std::optional<QByteArray> response;
    if (m_mechanism && challenge)
        response = m_mechanism->respond(*challenge);
    return response ? response->toBase64() : QByteArray("*");
}

QString SaslExchange::refusalDetail() const {
    return m_mechanism ? m_mechanism->refusalDetail() : QString();
}

void SaslExchange::reset() {
    m_mechanism.reset();
    m_rounds = 0;
}

} // namespace mervantic
