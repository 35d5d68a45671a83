#pragma once

#include <QAbstractOAuthReplyHandler>

#include <functional>
#include <memory>

class QOAuthHttpServerReplyHandler;

namespace mervantic {

// The loopback port a provider sends the browser back to, standing between the port and Qt's
// flow. Anyone on this computer can send a request to the port: only an answer that carries the
// sign-in's own state reaches the flow, the provider's refusals included, and only the first;
// every request gets a page that says truthfully what became of it. The answer to the exchange
// of the code is judged here too, so that a token address that refuses (a wrong client secret,
// a redirect registered for the Web) ends the sign-in with its words at once.
class OAuthLoopback final : public QAbstractOAuthReplyHandler {
    Q_OBJECT

public:
    // Listens on a free port of the loopback address; `expectedState` gives the sign-in's state.
    explicit OAuthLoopback(std::function<QString()> expectedState, QObject* parent = nullptr);
    ~OAuthLoopback() override;

    bool isListening() const;
    void close();

    QString callback() const override;
    void networkReplyFinished(QNetworkReply* reply) override;

    // What the browser shows for each kind of answer.
    static QString acceptedPage();
    static QString refusedPage();
    static QString strangerPage();
    static QString repeatedPage();

    // The longest answer of the token address that is read.
    static constexpr qint64 kLargestAnswer = 64 * 1024;

Q_SIGNALS:
    // The token address refused the code: its error and description, or the HTTP status.
    void exchangeRefused(const QString& why);

private:
    void onRedirect(const QVariantMap& values);

    std::function<QString()> m_expectedState;
    std::unique_ptr<QOAuthHttpServerReplyHandler> m_http;
    bool m_answered = false;
};

} // namespace mervantic
