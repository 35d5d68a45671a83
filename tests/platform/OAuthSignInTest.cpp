// The sign-in flow's own checks, against a token endpoint played here: PKCE (the verifier sent
// with the code matches the S256 challenge sent with the sign-in request), the state (an answer
// that is not for this sign-in is ignored), and a provider's refusal in its own words.
#include "platform/OAuthSignIn.h"

#include "EventLoop.h"
#include "platform/OAuthLoopback.h"
#include "platform/OAuthRefresh.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

// Answers each POST with `answer`, keeping the form it was sent.
class TokenEndpoint {
public:
    TokenEndpoint() {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_request += socket->readAll();
                const qsizetype end = m_request.indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const qsizetype length =
                    m_request.mid(m_request.toLower().indexOf("content-length:") + 15)
                        .split('\r')
                        .first()
                        .trimmed()
                        .toLongLong();
                if (m_request.size() < end + 4 + length)
                    return;
                forms << QUrlQuery(QString::fromUtf8(m_request.mid(end + 4, length)));
                m_request.clear();
                socket->write("HTTP/1.1 " + status +
                              "\r\nContent-Type: application/json\r\n"
                              "Content-Length: " +
                              QByteArray::number(answer.size()) + "\r\nConnection: close\r\n\r\n" +
                              answer);
                socket->disconnectFromHost();
            });
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/token").arg(m_server.serverPort()));
    }

    QByteArray status = "200 OK";
    QByteArray answer = R"({"access_token":"at-1","refresh_token":"rt-1","expires_in":120,)"
                        R"("token_type":"Bearer"})";
    QList<QUrlQuery> forms;

private:
    QTcpServer m_server;
    QByteArray m_request;
};

struct Flow {
    explicit Flow(TokenEndpoint& endpoint) {
        OAuthEndpoints endpoints = OAuthDirectory::microsoft();
        endpoints.authorization = QUrl(QStringLiteral("http://127.0.0.1:9/authorize"));
        endpoints.token = endpoint.url();
        signIn = std::make_unique<OAuthSignIn>(endpoints, OAuthClient{QStringLiteral("app-id"), {}},
                                               QStringLiteral("alice@example.org"), network);
        QObject::connect(signIn.get(), &OAuthSignIn::finished,
                         [this](const OAuthGrant& given, const QString& why) {
                             grant = given;
                             failure = why;
                         });
        QString why;
        EXPECT_TRUE(signIn->start([this](const QUrl& url) { opened = url; }, &why))
            << why.toStdString();
        query = QUrlQuery(opened);
    }
    // The browser comes back to the loopback page with these parameters; the page it shows,
    // or why there was none.
    QString comeBack(const QString& parameters) {
        QUrl back(query.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
        back.setQuery(parameters);
        QNetworkReply* reply = network.get(QNetworkRequest(back));
        test::waitUntil([reply] { return reply->isFinished(); }, 10000);
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError)
            return QStringLiteral("(no page: ") + reply->errorString() + QLatin1Char(')');
        return QString::fromUtf8(reply->readAll());
    }
    QString state() const { return query.queryItemValue(QStringLiteral("state")); }

    QNetworkAccessManager network;
    std::unique_ptr<OAuthSignIn> signIn;
    QUrl opened;
    QUrlQuery query;
    std::optional<QString> failure;
    OAuthGrant grant;
};

TEST(OAuthSignInFlow, TheCodeIsExchangedWithItsVerifierOnlyForAnAnswerWithTheRightState) {
    TokenEndpoint endpoint;
    Flow flow(endpoint);
    const QUrlQuery& asked = flow.query;
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("response_type")), QStringLiteral("code"));
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("client_id")), QStringLiteral("app-id"));
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("code_challenge_method")),
              QStringLiteral("S256"));
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("login_hint"), QUrl::FullyDecoded),
              QStringLiteral("alice@example.org"));
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("scope"), QUrl::FullyDecoded),
              QStringLiteral("https://outlook.office.com/POP.AccessAsUser.All offline_access"));
    const QUrl redirect(asked.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
    EXPECT_EQ(redirect.host(), QStringLiteral("127.0.0.1"));
    EXPECT_GT(redirect.port(), 0);
    ASSERT_FALSE(flow.state().isEmpty());

    // An answer that is not for this sign-in (another state, or none) is not taken, and the
    // page says so; a refusal is no exception, since anyone on this computer can send one.
    for (const QString& forged :
         {QStringLiteral("code=forged&state=not-") + flow.state(), QStringLiteral("code=forged"),
          QStringLiteral("error=access_denied&error_description=forged&state=WRONG"),
          QStringLiteral("error=access_denied"), QString()}) {
        SCOPED_TRACE(forged.toStdString());
        EXPECT_TRUE(flow.comeBack(forged).contains(OAuthLoopback::strangerPage()));
    }
    test::waitUntil([] { return false; }, 300);
    EXPECT_TRUE(endpoint.forms.isEmpty());
    EXPECT_FALSE(flow.failure.has_value());

    EXPECT_TRUE(flow.comeBack(QStringLiteral("code=the-code&state=") + flow.state())
                    .contains(OAuthLoopback::acceptedPage()));
    ASSERT_TRUE(test::waitUntil([&] { return flow.failure.has_value(); }, 10000));
    EXPECT_EQ(*flow.failure, QString());
    EXPECT_EQ(flow.grant.accessToken, QStringLiteral("at-1"));
    EXPECT_EQ(flow.grant.refreshToken, QStringLiteral("rt-1"));
    EXPECT_NEAR(static_cast<double>(flow.grant.expiresInSeconds), 120.0, 5.0);
    ASSERT_EQ(endpoint.forms.size(), 1);
    const QUrlQuery& exchange = endpoint.forms.first();
    EXPECT_EQ(exchange.queryItemValue(QStringLiteral("grant_type")),
              QStringLiteral("authorization_code"));
    EXPECT_EQ(exchange.queryItemValue(QStringLiteral("code")), QStringLiteral("the-code"));
    const QString verifier = exchange.queryItemValue(QStringLiteral("code_verifier"));
    EXPECT_GE(verifier.size(), 43);
    EXPECT_EQ(codeChallenge(verifier), asked.queryItemValue(QStringLiteral("code_challenge")));
}

TEST(OAuthSignInFlow, AProvidersRefusalEndsTheSignInInItsOwnWords) {
    TokenEndpoint endpoint;
    Flow flow(endpoint);
    EXPECT_TRUE(
        flow.comeBack(QStringLiteral("error=access_denied&error_description=The+user+said+no&"
                                     "state=") +
                      flow.state())
            .contains(OAuthLoopback::refusedPage()));
    ASSERT_TRUE(test::waitUntil([&] { return flow.failure.has_value(); }, 10000));
    EXPECT_EQ(*flow.failure, QStringLiteral("Microsoft said no (access_denied: The user said no)"))
        << flow.failure->toStdString();
    EXPECT_TRUE(endpoint.forms.isEmpty());
}

// A token address that refuses the code (a mistyped client secret, a redirect registered for the
// Web, an expired code) ends the sign-in at once with its words and what to check, and the
// loopback port closes.
TEST(OAuthSignInFlow, ATokenAddressThatRefusesTheCodeEndsTheSignInAtOnce) {
    struct Case {
        QByteArray status;
        QByteArray answer;
        const char* said;
    } cases[] = {
        {"401 Unauthorized", R"({"error":"invalid_client","error_description":"bad secret"})",
         "Microsoft refused to give a token for the sign-in (invalid_client: bad secret)"},
        {"400 Bad Request", R"({"error":"invalid_grant"})",
         "Microsoft refused to give a token for the sign-in (invalid_grant)"},
        {"500 Internal Server Error", "<html>down</html>",
         "Microsoft refused to give a token for the sign-in (HTTP status 500)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        TokenEndpoint endpoint;
        endpoint.status = c.status;
        endpoint.answer = c.answer;
        Flow flow(endpoint);
        flow.comeBack(QStringLiteral("code=the-code&state=") + flow.state());
        ASSERT_TRUE(test::waitUntil([&] { return flow.failure.has_value(); }, 10000));
        EXPECT_TRUE(flow.failure->startsWith(QString::fromLatin1(c.said)))
            << flow.failure->toStdString();
        EXPECT_TRUE(flow.failure->contains(QStringLiteral("not for the Web")))
            << flow.failure->toStdString();
        EXPECT_TRUE(flow.comeBack(QStringLiteral("code=again&state=") + flow.state())
                        .startsWith(QStringLiteral("(no page")));
    }
}

// Providers by name at once; an address that is not one, or one whose tokens would cross the
// network unencrypted, is refused before anything is asked.
TEST(OAuthProviders, BuiltInOnesAreKnownAndUnsafeAddressesAreRefused) {
    QNetworkAccessManager network;
    OAuthDirectory directory(network);
    const auto find = [&](const QString& provider) {
        std::optional<OAuthEndpoints> found;
        QString why = QStringLiteral("(no answer)");
        directory.find(provider,
                       [&](const std::optional<OAuthEndpoints>& endpoints, const QString& reason) {
                           found = endpoints;
                           why = reason;
                       });
        return std::pair{found, why};
    };
    EXPECT_EQ(find(QStringLiteral("microsoft")).first->token,
              QUrl(QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token")));
    EXPECT_EQ(find(QStringLiteral(" Google ")).first->scope,
              QStringLiteral("https://mail.google.com/"));
    for (const char* unsafe : {"Yahoo", "http://login.example.org", "ftp://login.example.org",
                               "https://", "javascript:alert(1)"}) {
        SCOPED_TRACE(unsafe);
        const auto [found, why] = find(QString::fromLatin1(unsafe));
        EXPECT_FALSE(found.has_value());
        EXPECT_TRUE(why.contains(QStringLiteral("is neither Microsoft nor Google nor a provider's "
                                                "address (https://...)")))
            << why.toStdString();
    }
}

// The provider's answers to a refresh: a new token, a refusal only a sign-in mends, and a
// failure that may pass.
TEST(OAuthRefreshAnswers, EachAnswerIsJudgedByWhatItMeansForTheUser) {
    const OAuthEndpoints google = OAuthDirectory::google();
    using Outcome = OAuthRefresh::Answer::Outcome;
    struct Case {
        int status;
        QByteArray body;
        Outcome outcome;
        QString why;
    } cases[] = {
        {200, R"({"access_token":"a","expires_in":3599})", Outcome::Renewed, {}},
        {400,
         R"({"error":"invalid_grant","error_description":"Token has been expired or revoked."})",
         Outcome::Refused,
         QStringLiteral("Google refused to renew the sign-in (invalid_grant: Token has been "
                        "expired or revoked.)")},
        {401, R"({"error":"invalid_client"})", Outcome::Refused,
         QStringLiteral("Google refused to renew the sign-in (invalid_client)")},
        {503, "<html>busy</html>", Outcome::Unreachable,
         QStringLiteral("Google did not renew the sign-in (HTTP status 503)")},
        {200, R"({"token_type":"Bearer"})", Outcome::Unreachable,
         QStringLiteral("Google did not renew the sign-in (HTTP status 200)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const OAuthRefresh::Answer answer = OAuthRefresh::judge(google, c.status, c.body);
        EXPECT_EQ(answer.outcome, c.outcome);
        EXPECT_EQ(answer.why, c.why);
    }
    const OAuthRefresh::Answer renewed = OAuthRefresh::judge(google, 200, cases[0].body);
    EXPECT_EQ(renewed.grant.accessToken, QStringLiteral("a"));
    EXPECT_EQ(renewed.grant.refreshToken, QString()) << "Google keeps the refresh token it gave";
    EXPECT_EQ(renewed.grant.expiresInSeconds, 3599);
}

} // namespace
} // namespace mervantic
