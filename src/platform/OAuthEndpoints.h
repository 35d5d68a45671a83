#pragma once

#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace mervantic {

// Where a provider signs its users in and hands out tokens, and what a mail program asks for.
struct OAuthEndpoints {
    // The provider as the user knows it ("Microsoft"), for the words shown.
    QString name;
    QUrl authorization;
    QUrl token;
    QString scope;
    // Further parameters of the sign-in request (Google gives a refresh token only when asked).
    std::vector<std::pair<QString, QString>> extraParameters;

    // The same, asking for `extra` scopes too (blank-separated). Nothing, with why, when one of
    // them holds a character a scope may not (RFC 6749: printable ASCII but '"' and '\').
    std::optional<OAuthEndpoints> withExtraScope(const QString& extra, QString* why) const;
};

// The application a user registered with a provider.
struct OAuthClient {
    QString id;
    // A desktop application's secret, which some providers give and none keeps secret.
    QString secret;
};

// Finds a provider's endpoints: the built-in ones by name, any other through OpenID Connect
// discovery at its issuer URL (remembered for the session).
class OAuthDirectory {
public:
    using Answer = std::function<void(std::optional<OAuthEndpoints>, const QString& why)>;

    explicit OAuthDirectory(QNetworkAccessManager& network);

    static OAuthEndpoints microsoft();
    static OAuthEndpoints google();
    // Puts other endpoints in the place of a built-in provider (the tests' local one).
    void setBuiltIn(const QString& name, OAuthEndpoints endpoints);

    // Answers at once for a built-in provider or one discovered before, later otherwise.
    void find(const QString& provider, Answer answer);

    // Largest discovery document read; a provider's is a few kilobytes.
    static constexpr qint64 kLargestDocument = 256 * 1024;

private:
    QNetworkAccessManager& m_network;
    std::map<QString, OAuthEndpoints> m_known;
};

} // namespace mervantic
