#pragma once

#include "pop3/Capabilities.h"
#include "pop3/SaslMechanism.h"
#include "pop3/SessionState.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace mervantic {

// One AUTH exchange of a log-on: the mechanism chosen for the account and the server, and the
// line that answers each of the server's challenges.
class SaslExchange {
public:
    // Chooses the mechanism: an OAuth2 account's access token (OAUTHBEARER where the server
    // lists it, XOAUTH2 otherwise, and always for Microsoft, which takes no other); for a
    // password, a mechanism only where the server takes no USER. False when USER and PASS will
    // do.
    bool choose(const SessionState& session, const Capabilities& capabilities);
    // "AUTH" and the chosen mechanism's name.
    QByteArray command() const;
    // The line that answers a "+" reply: the response in base64, or "*" to abandon a challenge
    // that is not base64 or that the mechanism cannot answer. Nothing once the server has gone
    // on for more rounds than any mechanism here needs.
    std::optional<QByteArray> answer(const QByteArray& reply);
    // What the server said of a refusal inside the exchange, in plain words.
    QString refusalDetail() const;
    void reset();

    static constexpr int kMostRounds = 8;

private:
    std::unique_ptr<SaslMechanism> m_mechanism;
    int m_rounds = 0;
};

} // namespace mervantic
