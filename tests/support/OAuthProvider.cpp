#include "OAuthProvider.h"

#include "EventLoop.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>

namespace mervantic::test {

QString OAuthProvider::folder() {
    return QStringLiteral(MERVANTIC_SOURCE_DIR "/tests/support/oauth");
}

OAuthProvider::OAuthProvider(int accessTokenSeconds)
    : m_accessTokenSeconds(accessTokenSeconds) {}

OAuthProvider::~OAuthProvider() {
    if (m_node.state() != QProcess::NotRunning) {
        m_node.closeWriteChannel();
        if (!m_node.waitForFinished(3000)) {
            m_node.kill();
            m_node.waitForFinished(2000);
        }
    }
}

bool OAuthProvider::start() {
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) {
        m_why = QStringLiteral("Node.js is not installed");
        return false;
    }
    if (!QFileInfo::exists(folder() + QStringLiteral("/node_modules/oidc-provider"))) {
        m_why = QStringLiteral("oidc-provider is not installed: npm ci --prefix ") + folder();
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ACCESS_TOKEN_SECONDS"),
                       QString::number(m_accessTokenSeconds));
    m_node.setProcessEnvironment(environment);
    m_node.setWorkingDirectory(folder());
    m_node.setProcessChannelMode(QProcess::SeparateChannels);
    m_node.start(node, {QStringLiteral("provider.mjs")});
    if (!m_node.waitForStarted(5000) ||
        !waitUntil([this] { return m_node.canReadLine(); }, 20000)) {
        m_why = QStringLiteral("the OAuth2 provider did not start: ") +
                QString::fromUtf8(m_node.readAllStandardError());
        return false;
    }
    m_issuer = QJsonDocument::fromJson(m_node.readLine())
                   .object()
                   .value(QStringLiteral("issuer"))
                   .toString();
    return !m_issuer.isEmpty();
}

QString OAuthProvider::introspectionUrl() const {
    QUrl url(m_issuer + QStringLiteral("/token/introspection"));
    url.setUserName(QStringLiteral("dovecot"));
    url.setPassword(QStringLiteral("dovecot-secret"));
    return url.toString();
}

OAuthEndpoints OAuthProvider::microsoftShaped() const {
    OAuthEndpoints endpoints = OAuthDirectory::microsoft();
    endpoints.authorization = QUrl(m_issuer + QStringLiteral("/auth"));
    endpoints.token = QUrl(m_issuer + QStringLiteral("/token"));
    return endpoints;
}

OAuthEndpoints OAuthProvider::googleShaped() const {
    OAuthEndpoints endpoints = OAuthDirectory::google();
    endpoints.authorization = QUrl(m_issuer + QStringLiteral("/auth"));
    endpoints.token = QUrl(m_issuer + QStringLiteral("/token"));
    return endpoints;
}

OAuthClient OAuthProvider::microsoftClient() {
    return {QStringLiteral("microsoft-shaped"), {}};
}

OAuthClient OAuthProvider::googleClient() {
    return {QStringLiteral("google-shaped"), QStringLiteral("desktop-client-secret")};
}

QByteArray OAuthProvider::get(const QString& path, bool post) {
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(m_issuer + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    QNetworkReply* reply = post ? network.post(request, QByteArray()) : network.get(request);
    waitUntil([reply] { return reply->isFinished(); }, 10000);
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

int OAuthProvider::revokeEverything(const QString& subject) {
    return QJsonDocument::fromJson(get(QStringLiteral("/test/revoke?sub=") + subject, true))
        .object()
        .value(QStringLiteral("destroyed"))
        .toInt(-1);
}

QJsonObject OAuthProvider::grants() {
    return QJsonDocument::fromJson(get(QStringLiteral("/test/grants"))).object();
}

BrowserUser::~BrowserUser() {
    if (m_browser.state() != QProcess::NotRunning) {
        m_browser.kill();
        m_browser.waitForFinished(5000);
    }
}

void BrowserUser::open(const QUrl& url) {
    ++m_opened;
    m_browser.setWorkingDirectory(OAuthProvider::folder());
    QStringList arguments{QStringLiteral("signin.mjs"), url.toString(QUrl::FullyEncoded), m_login};
    if (m_does == Does::CloseTheBrowser)
        arguments << QStringLiteral("--close");
    m_browser.start(QStandardPaths::findExecutable(QStringLiteral("node")), arguments);
}

QString BrowserUser::finish(int timeoutMs) {
    waitUntil([this] { return m_browser.state() == QProcess::NotRunning; }, timeoutMs);
    return QString::fromUtf8(m_browser.readAllStandardOutput()).trimmed() +
           QString::fromUtf8(m_browser.readAllStandardError()).trimmed();
}

} // namespace mervantic::test
