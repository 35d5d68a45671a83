#pragma once

#include "platform/OAuthEndpoints.h"

#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace mervantic::test {

// The tests' OAuth2 / OpenID Connect authorization server (the npm package oidc-provider, run
// with Node.js from tests/support/oauth), on a free loopback port. It stands for Microsoft and
// Google: same flows, its own addresses. Any login name signs in and is the token's subject.
class OAuthProvider {
public:
    // Access tokens last `accessTokenSeconds`.
    explicit OAuthProvider(int accessTokenSeconds = 3600);
    ~OAuthProvider();

    // False (with why()) when it cannot run here.
    bool start();
    QString why() const { return m_why; }
    QString issuer() const { return m_issuer; }
    // Where Dovecot asks whether a token is good (as the client "dovecot").
    QString introspectionUrl() const;

    // The provider in the shape of Microsoft (public client "microsoft-shaped", Microsoft's POP
    // scope) or Google ("google-shaped", its client secret, access_type=offline).
    OAuthEndpoints microsoftShaped() const;
    OAuthEndpoints googleShaped() const;
    static OAuthClient microsoftClient();
    static OAuthClient googleClient();

    // Every token of `subject` is destroyed, as after a password change at the provider.
    int revokeEverything(const QString& subject);
    // How many tokens each grant type has given ("authorization_code", "refresh_token").
    QJsonObject grants();

    // Where the tests' Node.js programs are.
    static QString folder();

private:
    QByteArray get(const QString& path, bool post = false);

    int m_accessTokenSeconds;
    QProcess m_node;
    QString m_issuer;
    QString m_why;
};

// The user at a real browser (Debian's chromium, headless, driven by playwright-core): signs in
// at the tests' provider through its login and consent pages, as the address the program opens
// asks.
class BrowserUser {
public:
    enum class Does { SignIn, CloseTheBrowser };
    BrowserUser(QString login, Does does = Does::SignIn)
        : m_login(std::move(login))
        , m_does(does) {}
    ~BrowserUser();

    // Starts the browser at `url`; returns at once.
    void open(const QUrl& url);
    int opened() const { return m_opened; }
    // Waits for the browser to be done; what the last page said.
    QString finish(int timeoutMs = 60000);

private:
    QString m_login;
    Does m_does;
    QProcess m_browser;
    int m_opened = 0;
};

} // namespace mervantic::test
