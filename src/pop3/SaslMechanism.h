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

// The mechanism to log on with when the server offers SASL and not USER: the first of the ones
// this program can use, in the order it prefers them; none when it can use none of them.
std::unique_ptr<SaslMechanism> chooseSaslMechanism(const QStringList& offered,
                                                   const QByteArray& username,
                                                   const QByteArray& password);

} // namespace mervantic
