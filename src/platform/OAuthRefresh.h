#pragma once

#include "platform/OAuthEndpoints.h"
#include "platform/OAuthSignIn.h"

#include <functional>

namespace mervantic {

// Trades a refresh token for a fresh access token at the provider's token address, without the
// user. The answer comes later, once.
class OAuthRefresh {
public:
    struct Answer {
        enum class Outcome {
            Renewed,
            // The provider refused the refresh token (revoked, expired, password changed): only a
            // new sign-in mends it.
            Refused,
            // The provider could not be asked; the next check may do better.
            Unreachable,
        };
        Outcome outcome = Outcome::Unreachable;
        OAuthGrant grant;
        QString why;
    };
    using Callback = std::function<void(const Answer&)>;

    explicit OAuthRefresh(QNetworkAccessManager& network)
        : m_network(network) {}
    void renew(const OAuthEndpoints& endpoints, const OAuthClient& client,
               const QString& refreshToken, Callback callback);

    static constexpr int kTimeoutMs = 30000;
    // A token answer is a few kilobytes; a larger one is not read.
    static constexpr qint64 kLargestAnswer = 64 * 1024;

    // The provider's answer (status and body) as an Answer.
    static Answer judge(const OAuthEndpoints& endpoints, int httpStatus, const QByteArray& body);

private:
    QNetworkAccessManager& m_network;
};

} // namespace mervantic
