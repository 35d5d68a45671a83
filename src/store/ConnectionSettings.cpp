#include "store/ConnectionSettings.h"

#include "store/DataFile.h"
#include "store/FileReplacement.h"
#include "store/JsonDamage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <array>

namespace mervantic {

namespace {

struct SecurityName {
    Security security;
    const char* text;
};
constexpr std::array kSecurityNames{
    SecurityName{Security::Tls, "TLS"},
    SecurityName{Security::StartTls, "STARTTLS"},
    SecurityName{Security::StartTlsWhenOffered, "STARTTLS when offered"},
    SecurityName{Security::None, "None"},
};

const QString kAccounts = QStringLiteral("accounts");
const QString kUsername = QStringLiteral("username");
const QString kServer = QStringLiteral("server");
const QString kPort = QStringLiteral("port");
const QString kSecurity = QStringLiteral("security");
const QString kStartTlsSeen = QStringLiteral("startTlsSeen");
const QString kSignIn = QStringLiteral("signIn");
const QString kOAuth2 = QStringLiteral("OAuth2");
const QString kProvider = QStringLiteral("oauthProvider");
const QString kClientId = QStringLiteral("oauthClientId");
const QString kClientSecret = QStringLiteral("oauthClientSecret");
const QString kExtraScope = QStringLiteral("oauthExtraScope");
const QString kSecretName = QStringLiteral("secretName");
const QString kPasswordInKeyring = QStringLiteral("passwordInKeyring");
const QString kHandChecksOnly = QStringLiteral("handChecksOnly");
const QString kKeepPasswordsInKeyring = QStringLiteral("keepPasswordsInKeyring");
const QString kPins = QStringLiteral("pins");
const QString kCertificate = QStringLiteral("certificate");

bool names(const QJsonObject& pin, const QString& server, const QString& port) {
    return pin.value(kServer).toString() == server && pin.value(kPort).toString() == port;
}

// The first field the program reads whose value is not of the kind it reads ("security" a
// number, "startTlsSeen" a text): a value ignored would weaken the account's security silently.
QString wronglyTyped(const QJsonObject& rest, const std::vector<QJsonObject>& accounts,
                     const std::vector<QJsonObject>& pins) {
    const auto check = [](const QJsonObject& object, const QStringList& texts,
                          const QStringList& flags) -> QString {
        for (const QString& key : texts) {
            if (object.contains(key) && !object.value(key).isString())
                return key;
        }
        for (const QString& key : flags) {
            if (object.contains(key) && !object.value(key).isBool())
                return key;
        }
        return {};
    };
    if (QString wrong = check(rest, {}, {kKeepPasswordsInKeyring}); !wrong.isEmpty())
        return wrong;
    for (const QJsonObject& entry : accounts) {
        // A security this version does not know is a later version's, taken as the safest.
        const QString wrong = check(entry,
                                    {kUsername, kServer, kPort, kSecurity, kSignIn, kProvider,
                                     kClientId, kClientSecret, kExtraScope, kSecretName},
                                    {kStartTlsSeen, kPasswordInKeyring, kHandChecksOnly});
        if (!wrong.isEmpty())
            return wrong;
    }
    for (const QJsonObject& pin : pins) {
        if (QString wrong = check(pin, {kServer, kPort, kCertificate}, {}); !wrong.isEmpty())
            return wrong;
    }
    return {};
}

// The file's entries, or nothing when `value` is not a list of objects.
std::optional<std::vector<QJsonObject>> objects(const QJsonValue& value) {
    std::vector<QJsonObject> list;
    if (value.isUndefined())
        return list;
    if (!value.isArray())
        return std::nullopt;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isObject())
            return std::nullopt;
        list.push_back(item.toObject());
    }
    return list;
}

bool holds(const QJsonObject& entry, const MailboxAddress& account) {
    return entry.value(kUsername).toString() == account.username &&
           entry.value(kServer).toString() == account.server &&
           entry.value(kPort).toString() == account.port;
}

} // namespace

QString securityText(Security security) {
    for (const SecurityName& name : kSecurityNames) {
        if (name.security == security)
            return QString::fromLatin1(name.text);
    }
    return {};
}

std::optional<Security> securityFromText(const QString& text) {
    for (const SecurityName& name : kSecurityNames) {
        if (text == QLatin1String(name.text))
            return name.security;
    }
    return std::nullopt;
}

Security defaultSecurity(const QString& port) {
    return port.trimmed() == QLatin1String("995") ? Security::Tls : Security::StartTlsWhenOffered;
}

QJsonObject* ConnectionSettings::find(const MailboxAddress& account) {
    for (QJsonObject& entry : m_entries) {
        if (holds(entry, account))
            return &entry;
    }
    return nullptr;
}

const QJsonObject* ConnectionSettings::find(const MailboxAddress& account) const {
    return const_cast<ConnectionSettings*>(this)->find(account);
}

QJsonObject& ConnectionSettings::entry(const MailboxAddress& account) {
    if (QJsonObject* found = find(account))
        return *found;
    QJsonObject fresh;
    fresh.insert(kUsername, account.username);
    fresh.insert(kServer, account.server);
    fresh.insert(kPort, account.port);
    m_entries.push_back(fresh);
    return m_entries.back();
}

void ConnectionSettings::changed() const {
    if (m_changed)
        m_changed();
}

Security ConnectionSettings::security(const MailboxAddress& account) const {
    if (const QJsonObject* found = find(account)) {
        // A choice this program does not know (a later version's) is taken as the safest.
        if (found->contains(kSecurity))
            return securityFromText(found->value(kSecurity).toString()).value_or(Security::Tls);
    }
    return defaultSecurity(account.port);
}

bool ConnectionSettings::securityChosen(const MailboxAddress& account) const {
    const QJsonObject* found = find(account);
    return found != nullptr && found->contains(kSecurity);
}

void ConnectionSettings::setSecurity(const MailboxAddress& account, Security security) {
    QJsonObject* found = find(account);
    if (found == nullptr && security == defaultSecurity(account.port))
        return;
    if (found != nullptr && found->contains(kSecurity) && this->security(account) == security)
        return;
    QJsonObject& settings = entry(account);
    settings.insert(kSecurity, securityText(security));
    settings.remove(kStartTlsSeen);
    changed();
}

bool ConnectionSettings::flag(const MailboxAddress& account, const QString& key) const {
    const QJsonObject* found = find(account);
    return found != nullptr && found->value(key).toBool();
}

void ConnectionSettings::setFlag(const MailboxAddress& account, const QString& key, bool on) {
    if (flag(account, key) == on)
        return;
    // Off is no field at all, so that an account's entry holds only what sets it apart.
    if (on)
        entry(account).insert(key, true);
    else
        entry(account).remove(key);
    changed();
}

bool ConnectionSettings::startTlsSeen(const MailboxAddress& account) const {
    return flag(account, kStartTlsSeen);
}

void ConnectionSettings::markStartTlsSeen(const MailboxAddress& account) {
    setFlag(account, kStartTlsSeen, true);
}

SignIn ConnectionSettings::signIn(const MailboxAddress& account) const {
    SignIn signIn;
    const QJsonObject* found = find(account);
    if (found == nullptr)
        return signIn;
    // A sign-in this program does not know (a later version's) is taken as a password: the
    // conversation then says what the server wants.
    if (found->value(kSignIn).toString() == kOAuth2)
        signIn.kind = SignIn::Kind::OAuth2;
    signIn.provider = found->value(kProvider).toString();
    signIn.clientId = found->value(kClientId).toString();
    signIn.clientSecret = found->value(kClientSecret).toString();
    signIn.extraScope = found->value(kExtraScope).toString();
    return signIn;
}

void ConnectionSettings::setSignIn(const MailboxAddress& account, const SignIn& signIn) {
    if (this->signIn(account) == signIn)
        return;
    QJsonObject& settings = entry(account);
    settings.insert(kSignIn, signIn.oauth2() ? kOAuth2 : QStringLiteral("Password"));
    const auto keep = [&settings](const QString& key, const QString& value) {
        if (value.isEmpty())
            settings.remove(key);
        else
            settings.insert(key, value);
    };
    keep(kProvider, signIn.provider);
    keep(kClientId, signIn.clientId);
    keep(kClientSecret, signIn.clientSecret);
    keep(kExtraScope, signIn.extraScope);
    changed();
}

bool ConnectionSettings::handChecksOnly(const MailboxAddress& account) const {
    return flag(account, kHandChecksOnly);
}

void ConnectionSettings::setHandChecksOnly(const MailboxAddress& account, bool only) {
    setFlag(account, kHandChecksOnly, only);
}

bool ConnectionSettings::passwordInKeyring(const MailboxAddress& account) const {
    return flag(account, kPasswordInKeyring);
}

void ConnectionSettings::setPasswordInKeyring(const MailboxAddress& account, bool inKeyring) {
    setFlag(account, kPasswordInKeyring, inKeyring);
}

bool ConnectionSettings::keepPasswordsInKeyring() const {
    return m_rest.value(kKeepPasswordsInKeyring).toBool();
}

void ConnectionSettings::setKeepPasswordsInKeyring(bool keep) {
    if (keepPasswordsInKeyring() == keep)
        return;
    if (keep)
        m_rest.insert(kKeepPasswordsInKeyring, true);
    else
        m_rest.remove(kKeepPasswordsInKeyring);
    changed();
}

QString ConnectionSettings::existingSecretName(const MailboxAddress& account) const {
    const QJsonObject* found = find(account);
    return found == nullptr ? QString() : found->value(kSecretName).toString();
}

QString ConnectionSettings::secretName(const MailboxAddress& account) {
    QJsonObject& settings = entry(account);
    QString name = settings.value(kSecretName).toString();
    if (name.isEmpty()) {
        name = QUuid::createUuid().toString(QUuid::WithoutBraces);
        settings.insert(kSecretName, name);
        changed();
    }
    return name;
}

QByteArray ConnectionSettings::pinnedCertificate(const QString& server, const QString& port) const {
    for (const QJsonObject& pin : m_pins) {
        if (names(pin, server, port))
            return QByteArray::fromBase64(pin.value(kCertificate).toString().toLatin1());
    }
    return {};
}

void ConnectionSettings::pinCertificate(const QString& server, const QString& port,
                                        const QByteArray& der) {
    std::erase_if(m_pins, [&](const QJsonObject& pin) { return names(pin, server, port); });
    m_offered.erase({server, port});
    if (der.isEmpty()) {
        // Forgotten: the authorities decide again.
        changed();
        return;
    }
    QJsonObject pin;
    pin.insert(kServer, server);
    pin.insert(kPort, port);
    pin.insert(kCertificate, QString::fromLatin1(der.toBase64()));
    m_pins.push_back(pin);
    changed();
}

QByteArray ConnectionSettings::offeredCertificate(const QString& server,
                                                  const QString& port) const {
    const auto found = m_offered.find({server, port});
    return found == m_offered.end() ? QByteArray() : found->second;
}

void ConnectionSettings::offerCertificate(const QString& server, const QString& port,
                                          const QByteArray& der) {
    m_offered[{server, port}] = der;
}

void ConnectionSettings::moveAccount(const MailboxAddress& from, const MailboxAddress& to) {
    if (from == to)
        return;
    QJsonObject* found = find(from);
    if (found == nullptr)
        return;
    QJsonObject moved = *found;
    // An entry left at the new address by an account that went before is replaced, in the one
    // change saved below.
    std::erase_if(m_entries, [&](const QJsonObject& entry) { return holds(entry, to); });
    found = find(from);
    moved.insert(kUsername, to.username);
    moved.insert(kServer, to.server);
    moved.insert(kPort, to.port);
    // What was seen of one server says nothing of another.
    if (from.server != to.server || from.port != to.port)
        moved.remove(kStartTlsSeen);
    *found = moved;
    changed();
}

void ConnectionSettings::removeAccount(const MailboxAddress& account) {
    const auto before = m_entries.size();
    std::erase_if(m_entries, [&](const QJsonObject& entry) { return holds(entry, account); });
    if (m_entries.size() != before)
        changed();
}

std::optional<ConnectionSettings> ConnectionSettings::fromBytes(const QByteArray& bytes,
                                                                QString* damage) {
    const auto damaged = [damage](const QString& why) {
        if (damage != nullptr)
            *damage = why;
        return std::nullopt;
    };
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return damaged(QStringLiteral("Is Not A Connection Settings File"));
    if (const QString twice = duplicateJsonKey(bytes); !twice.isEmpty())
        return damaged(QStringLiteral("Is Damaged: It Holds \"%1\" Twice").arg(twice));
    ConnectionSettings settings;
    settings.m_rest = document.object();
    std::optional<std::vector<QJsonObject>> accounts = objects(settings.m_rest.take(kAccounts));
    std::optional<std::vector<QJsonObject>> pins = objects(settings.m_rest.take(kPins));
    if (!accounts || !pins)
        return damaged(QStringLiteral("Is Not A Connection Settings File"));
    if (const QString wrong = wronglyTyped(settings.m_rest, *accounts, *pins); !wrong.isEmpty())
        return damaged(
            QStringLiteral("Is Damaged: Its \"%1\" Is Not Of The Right Kind").arg(wrong));
    settings.m_entries = std::move(*accounts);
    settings.m_pins = std::move(*pins);
    return settings;
}

QByteArray ConnectionSettings::toBytes() const {
    QJsonObject document = m_rest;
    QJsonArray accounts;
    for (const QJsonObject& entry : m_entries)
        accounts.append(entry);
    document.insert(kAccounts, accounts);
    if (!m_pins.empty()) {
        QJsonArray pins;
        for (const QJsonObject& pin : m_pins)
            pins.append(pin);
        document.insert(kPins, pins);
    }
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

ConnectionSettingsFile::LoadResult ConnectionSettingsFile::load(ConnectionSettings& settings,
                                                                QString* why) const {
    settings.adopt(ConnectionSettings());
    const DataFileRead file = readDataFile(m_path, kLargestFile);
    switch (file.status) {
    case DataFileRead::Status::Missing:
        return LoadResult::Missing;
    case DataFileRead::Status::Unreadable:
    case DataFileRead::Status::TooLarge:
        if (why != nullptr)
            *why = file.why;
        return LoadResult::Unreadable;
    case DataFileRead::Status::Loaded:
        break;
    }
    const QByteArray& bytes = file.bytes;
    QString damage;
    std::optional<ConnectionSettings> read = ConnectionSettings::fromBytes(bytes, &damage);
    if (!read) {
        if (why != nullptr)
            *why = damage;
        return LoadResult::Damaged;
    }
    settings.adopt(std::move(*read));
    return LoadResult::Loaded;
}

bool ConnectionSettingsFile::save(const ConnectionSettings& settings, QString* why) const {
    return replaceFile(m_path, settings.toBytes(), why);
}

} // namespace mervantic
