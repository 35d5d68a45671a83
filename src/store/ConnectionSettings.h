#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace mervantic {

// How a conversation with an account's server is protected.
enum class Security {
    // TLS from the first byte (POP3S).
    Tls,
    // A plain connection upgraded with STLS before anything is sent; no log-on without it.
    StartTls,
    // STLS when the server offers it; plain when it never did.
    StartTlsWhenOffered,
    // Plain all the way: the password crosses the network as it is.
    None,
};

// The words the account page and the file use for each choice.
QString securityText(Security security);
std::optional<Security> securityFromText(const QString& text);
// What an account has until the user chooses: TLS on 995, STARTTLS when offered elsewhere.
Security defaultSecurity(const QString& port);

// How an account proves who it is to its server.
struct SignIn {
    enum class Kind {
        // The account file's password: USER and PASS, APOP, or SASL PLAIN.
        Password,
        // An OAuth2 access token from the account's provider (XOAUTH2 or OAUTHBEARER).
        OAuth2,
    };
    Kind kind = Kind::Password;
    // "Microsoft", "Google", or another provider's issuer URL.
    QString provider;
    // The application the user (or the organisation) registered with the provider.
    QString clientId;
    // A desktop application's client secret, which the provider gives but does not keep secret.
    QString clientSecret;
    // Scopes asked for beside the provider's usual ones (another provider's own mail scope),
    // separated by blanks.
    QString extraScope;

    bool oauth2() const { return kind == Kind::OAuth2; }
    bool operator==(const SignIn&) const = default;
};

// An account as the connection settings know it: the mailbox it reaches.
struct MailboxAddress {
    QString username;
    QString server;
    QString port;
    bool operator==(const MailboxAddress&) const = default;
};

// Per-account connection settings, beside the account file whose layout stays as it is: the
// security chosen, and whether the server was ever seen over STARTTLS (so that a conversation
// stripped of it later is refused). Entries of accounts this run does not list, and fields it
// does not know, are kept as they were read.
class ConnectionSettings {
public:
    Security security(const MailboxAddress& account) const;
    // Whether the user ever chose the account's security (else it is its port's default).
    bool securityChosen(const MailboxAddress& account) const;
    // A changed choice forgets that STARTTLS was seen: the user decided anew.
    void setSecurity(const MailboxAddress& account, Security security);
    bool startTlsSeen(const MailboxAddress& account) const;
    SignIn signIn(const MailboxAddress& account) const;
    void setSignIn(const MailboxAddress& account, const SignIn& signIn);
    // The account is left out of the timed re-checks, checked only when the user asks.
    bool handChecksOnly(const MailboxAddress& account) const;
    void setHandChecksOnly(const MailboxAddress& account, bool only);
    // The account's password is in the desktop keyring; the account file holds a stand-in.
    bool passwordInKeyring(const MailboxAddress& account) const;
    void setPasswordInKeyring(const MailboxAddress& account, bool inKeyring);
    // "Keep Passwords In The Desktop Keyring": new and changed passwords go there too.
    bool keepPasswordsInKeyring() const;
    void setKeepPasswordsInKeyring(bool keep);
    // The name under which the account's secrets are kept outside this file (in the desktop
    // keyring): made once, so that they follow the account through a change in place.
    QString secretName(const MailboxAddress& account);
    // The same, empty when none was ever made.
    QString existingSecretName(const MailboxAddress& account) const;
    void markStartTlsSeen(const MailboxAddress& account);
    // The certificate (DER) the user trusted for a server and port, which is then taken instead
    // of the authorities' word; empty when there is none. Pinning replaces the one before;
    // pinning nothing forgets it.
    QByteArray pinnedCertificate(const QString& server, const QString& port) const;
    void pinCertificate(const QString& server, const QString& port, const QByteArray& der);

    // The certificate a server presented in this run's last refused handshake, offered to the
    // user to trust; not kept in the file.
    QByteArray offeredCertificate(const QString& server, const QString& port) const;
    void offerCertificate(const QString& server, const QString& port, const QByteArray& der);

    // The account was changed in place: its settings follow it.
    void moveAccount(const MailboxAddress& from, const MailboxAddress& to);
    void removeAccount(const MailboxAddress& account);

    // Told after every change, so that it can be saved.
    void setChanged(std::function<void()> handler) { m_changed = std::move(handler); }
    // Takes the entries of `other` (a file just read), keeping this one's change handler.
    void adopt(ConnectionSettings other) {
        m_entries = std::move(other.m_entries);
        m_pins = std::move(other.m_pins);
        m_rest = std::move(other.m_rest);
    }

    // Why the settings of every account are not known this run (their file could not be read,
    // or was damaged); empty when they are. Security then fails closed: no account is checked.
    const QString& unknownBecause() const { return m_unknown; }
    void setUnknown(const QString& why) { m_unknown = why; }

    // The file's bytes (JSON); nothing, with why, when they are not a file of this kind or are
    // damaged (a key held twice, a value of the wrong kind).
    static std::optional<ConnectionSettings> fromBytes(const QByteArray& bytes,
                                                       QString* damage = nullptr);
    QByteArray toBytes() const;

private:
    QJsonObject* find(const MailboxAddress& account);
    const QJsonObject* find(const MailboxAddress& account) const;
    QJsonObject& entry(const MailboxAddress& account);
    // An account's yes/no field.
    bool flag(const MailboxAddress& account, const QString& key) const;
    void setFlag(const MailboxAddress& account, const QString& key, bool on);
    void changed() const;

    std::vector<QJsonObject> m_entries;
    std::vector<QJsonObject> m_pins;
    std::map<std::pair<QString, QString>, QByteArray> m_offered;
    // The file's other top-level fields.
    QJsonObject m_rest;
    std::function<void()> m_changed;
    QString m_unknown;
};

// The file that keeps them (mervconn.json beside the account file): private to the user and
// replaced whole, like the other data files.
class ConnectionSettingsFile {
public:
    explicit ConnectionSettingsFile(QString path)
        : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    enum class LoadResult { Loaded, Missing, Unreadable, Damaged };
    // An unreadable or damaged file (or one of another kind) leaves the settings empty, with
    // why.
    LoadResult load(ConnectionSettings& settings, QString* why = nullptr) const;
    bool save(const ConnectionSettings& settings, QString* why = nullptr) const;

    static constexpr qint64 kLargestFile = 4 * 1024 * 1024;

private:
    QString m_path;
};

} // namespace mervantic
