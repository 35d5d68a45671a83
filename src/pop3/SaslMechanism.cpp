#include "pop3/SaslMechanism.h"

namespace mervantic {

std::optional<QByteArray> SaslPlain::respond(const QByteArray& challenge) {
    // PLAIN has one response; a server asking again is answered with the abandon.
    if (m_answered || !challenge.isEmpty())
        return std::nullopt;
    m_answered = true;
    return QByteArray(1, '\0') + m_username + QByteArray(1, '\0') + m_password;
}

std::unique_ptr<SaslMechanism> chooseSaslMechanism(const QStringList& offered,
                                                   const QByteArray& username,
                                                   const QByteArray& password) {
    if (offered.contains(QStringLiteral("PLAIN")))
        return std::make_unique<SaslPlain>(username, password);
    return nullptr;
}

} // namespace mervantic
