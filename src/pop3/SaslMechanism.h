#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace mervantic {

// One SASL mechanism on the client's side of POP3's AUTH (RFC 5034): its name, and the answer
// to each challenge the server sends after "+ " (both already decoded from base64). The first
// challenge of a client-first mechanism is empty.
class SaslMechanism {
public:
    virtual ~SaslMechanism() = default;
    virtual QByteArray name() const = 0;
    // The response to `challenge`; nothing to abandon the exchange (sent as "*").
    virtual std::optional<QByteArray> respond(const QByteArray& challenge) = 0;
    // What the server said of a refusal inside the exchange, in plain words; empty when it
    // said nothing.
    virtual QString refusalDetail() const { return {}; }
};

// PLAIN (RFC 4616): the user name and password in one response, so only over a connection the
// user chose for it.
class SaslPlain final : public SaslMechanism {
public:
    SaslPlain(QByteArray username, QByteArray password)
        : m_username(std::move(username))
        , m_password(std::move(password)) {}
    QByteArray name() const override { return "PLAIN"; }
    std::optional<QByteArray> respond(const QByteArray& challenge) override;

private:
    QByteArray m_username;
    QByteArray m_password;
    bool m_answered = false;
};

// An OAuth2 access token in one first response. A refused token is answered by the server with
// an error in JSON as a challenge, which takes one more response before the server's -ERR.
class SaslBearerToken : public SaslMechanism {
public:
    std::optional<QByteArray> respond(const QByteArray& challenge) final;
    QString refusalDetail() const final { return m_refusal; }

protected:
    SaslBearerToken(QByteArray username, QByteArray accessToken)
        : m_username(std::move(username))
        , m_token(std::move(accessToken)) {}
    virtual QByteArray firstResponse() const = 0;
    // What answers the error so that the server ends the exchange.
    virtual QByteArray refusalAnswer() const = 0;

    QByteArray m_username;
    QByteArray m_token;

private:
    bool m_answered = false;
    QString m_refusal;
};

// XOAUTH2 (Google's and Microsoft's); an error is answered with an empty response.
class SaslXoauth2 final : public SaslBearerToken {
public:
    SaslXoauth2(QByteArray username, QByteArray accessToken)
        : SaslBearerToken(std::move(username), std::move(accessToken)) {}
    QByteArray name() const override { return "XOAUTH2"; }

private:
    QByteArray firstResponse() const override;
    QByteArray refusalAnswer() const override { return {}; }
};

// OAUTHBEARER (RFC 7628): the same with a GS2 header and the server's host and port; an error is
// answered with a lone ^A.
class SaslOauthBearer final : public SaslBearerToken {
public:
    SaslOauthBearer(QByteArray username, QByteArray accessToken, QByteArray host, int port)
        : SaslBearerToken(std::move(username), std::move(accessToken))
        , m_host(std::move(host))
        , m_port(port) {}
    QByteArray name() const override { return "OAUTHBEARER"; }

private:
    QByteArray firstResponse() const override;
    QByteArray refusalAnswer() const override { return QByteArray("\x01"); }

    QByteArray m_host;
    int m_port;
};

// A server's JSON error of an OAuth2 mechanism ({"status":"invalid_token",...}) in plain words;
// text that is not such an error is quoted as it stands, cut to a readable length.
QString oauthRefusal(const QByteArray& challenge);

// The mechanism to log on with when the server offers SASL and not USER: the first of the ones
// this program can use, in the order it prefers them; none when it can use none of them.
std::unique_ptr<SaslMechanism> chooseSaslMechanism(const QStringList& offered,
                                                   const QByteArray& username,
                                                   const QByteArray& password);

} // namespace mervantic
