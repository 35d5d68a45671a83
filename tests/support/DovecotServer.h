#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace mervantic::test {

// A real Dovecot POP3 server for the tests, run as a child process on free loopback ports with
// its own configuration, folders, users and maildirs. One plain listener and, unless TLS is
// off, one implicit-TLS listener whose certificate is signed by a certificate authority made
// for the test run; the plain listener then offers STLS.
class DovecotServer {
public:
    // How the server is set up, as its administrator would.
    struct Setup {
        // Dovecot's `ssl`: "no" (plain only, a server of old), "yes" or "required".
        QString ssl = QStringLiteral("yes");
        // Dovecot's `disable_plaintext_auth`: no password over a plain connection.
        bool plaintextOnlyOverTls = false;
        // The server's certificate signs itself, as on many a home server.
        bool selfSigned = false;
        // An OAuth2 token introspection URL: the server then takes XOAUTH2 and OAUTHBEARER,
        // asking there whether a token is active and whose it is.
        QString oauth2Introspection = {};
        // The field of the introspection answer that names the token's user.
        QString oauth2UsernameAttribute = QStringLiteral("username");
    };

    DovecotServer();
    explicit DovecotServer(Setup setup);
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Starts the server; false (with why()) when it cannot run here.
    bool start();
    void stop();
    bool isRunning() const;
    QString why() const { return m_why; }

    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    // The authority that signed the TLS listener's certificate, which names "localhost" (and
    // not "127.0.0.1", so that the address alone is a name the certificate does not hold).
    QList<QSslCertificate> authority() const { return m_authority; }
    // The TLS listener's certificate and key (PEM files), for tests that play a TLS server.
    QString certificateFile() const { return m_root->filePath(QStringLiteral("server.pem")); }
    QString keyFile() const { return m_root->filePath(QStringLiteral("server.key")); }

    // Gives the server a new self-signed certificate, valid for `days` from now (a negative
    // number makes one that has expired), and waits until it serves it. False when it could
    // not.
    bool replaceCertificate(int days = 30);
    // The certificate the TLS listener serves now (DER).
    QByteArray servedCertificate() const;

    // Adds a user with an empty maildir (the user database is re-read by Dovecot).
    void addUser(const QString& name, const QString& password);
    // Puts a message into the user's maildir; messages are numbered in delivery order.
    void deliver(const QString& user, const QByteArray& message);
    // The messages now in the user's maildir, in delivery order.
    QList<QByteArray> mailbox(const QString& user) const;
    // Takes message `number` (in delivery order, from 1) out of the maildir, as another mail
    // client deleting it would.
    bool remove(const QString& user, int number);
    QString logText() const;

    // The shared servers of a test program, started on first use: one without TLS (its plain
    // listener does not offer STLS), and one with TLS.
    static DovecotServer& shared();
    static DovecotServer& sharedTls();

private:
    bool writeCertificates();
    // A key and a certificate for "localhost", valid for `days`, signed by the test authority
    // or by itself.
    bool makeServerCertificate(int days, bool selfSigned);
    bool writeConfiguration();
    QString maildir(const QString& user) const;
    QStringList messageFiles(const QString& user) const;
    void takeOwnership(const QString& path) const;

    Setup m_setup;
    std::unique_ptr<QTemporaryDir> m_root;
    QProcess m_process;
    QString m_why;
    int m_port = 0;
    int m_tlsPort = 0;
    int m_mailUid = 0;
    int m_mailGid = 0;
    quint64 m_delivered = 0;
    QList<QSslCertificate> m_authority;
};

// A loopback TCP port that was free a moment ago, so nothing listens on it.
int freePort();

} // namespace mervantic::test
