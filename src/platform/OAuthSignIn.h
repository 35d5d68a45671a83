#pragma once

#include "platform/OAuthEndpoints.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QOAuth2AuthorizationCodeFlow;

namespace mervantic {

class OAuthLoopback;

// What a provider hands out: an access token for a while, and a refresh token to get the next.
struct OAuthGrant {
    QString accessToken;
    // Empty when the provider gave none (it then keeps the one before).
    QString refreshToken;
    // How long the access token lasts from when it was given.
    qint64 expiresInSeconds = 0;
};

// One interactive sign-in at a provider: the authorization code flow with PKCE (S256) and a
// redirect to a loopback port of this computer, checked by its state. The user's browser does
// the sign-in; nothing here waits: the sign-in ends in finished(), at the latest after the
// time-out (a browser closed half way, a page never sent back).
class OAuthSignIn : public QObject {
    Q_OBJECT

public:
    OAuthSignIn(OAuthEndpoints endpoints, OAuthClient client, QString loginHint,
                QNetworkAccessManager& network, QObject* parent = nullptr);
    ~OAuthSignIn() override;

    // Listens on loopback and hands the sign-in address to `openBrowser`. False, with why,
    // when no port could be opened.
    bool start(const std::function<void(const QUrl&)>& openBrowser, QString* why);

    void setTimeoutMs(int ms) { m_timeout.setInterval(ms); }
    static constexpr int kTimeoutMs = 5 * 60 * 1000;

Q_SIGNALS:
    // `failure` is empty when the sign-in gave a grant.
    void finished(const mervantic::OAuthGrant& grant, const QString& failure);

private:
    void end(const OAuthGrant& grant, const QString& failure);

    OAuthEndpoints m_endpoints;
    QString m_verifier;
    QTimer m_timeout;
    bool m_ended = false;
    // Owned here (not by the flow), so that the loopback port is closed when the sign-in ends.
    std::unique_ptr<OAuthLoopback> m_loopback;
    std::unique_ptr<QOAuth2AuthorizationCodeFlow> m_flow;
};

// A PKCE code verifier (RFC 7636: 43 to 128 unreserved characters) and its S256 challenge.
QString makeCodeVerifier();
QString codeChallenge(const QString& verifier);

} // namespace mervantic
