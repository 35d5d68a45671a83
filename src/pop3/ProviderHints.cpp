#include "pop3/ProviderHints.h"

namespace mervantic {

namespace {

// Whether `server` is `domain` or a name under it ("pop.gmail.com" is under "gmail.com").
bool under(const QString& server, const char* domain) {
    const QString host = server.trimmed().toLower();
    const QLatin1String name(domain);
    return host == name || host.endsWith(QLatin1Char('.') + name);
}

} // namespace

bool isGmailServer(const QString& server) {
    return under(server, "gmail.com") || under(server, "googlemail.com");
}

QString providerHint(const QString& server, const QString& serverText, bool loggingOn) {
    // RFC 2449's response code, or the words, of a server that limits how often one may log on.
    if (serverText.contains(QLatin1String("LOGIN-DELAY"), Qt::CaseInsensitive))
        return QStringLiteral("The server allows log-ons only so often: set a longer re-check "
                              "interval and check this account less often.");
    if (serverText.contains(QLatin1String("Application password"), Qt::CaseInsensitive) ||
        (loggingOn && (under(server, "mail.ru") || under(server, "inbox.ru") ||
                       under(server, "list.ru") || under(server, "bk.ru"))))
        return QStringLiteral("Mail.ru takes an application password here, not the password of "
                              "the web mail: make one under Settings, Security, Passwords for "
                              "external applications.");
    if (!loggingOn)
        return {};
    // Dovecot's words, and RFC 3206's code, for a server that takes no password in the clear.
    if (serverText.contains(QLatin1String("Plaintext authentication disallowed"),
                            Qt::CaseInsensitive) ||
        serverText.contains(QLatin1String("[AUTH] Plaintext"), Qt::CaseInsensitive) ||
        serverText.contains(QLatin1String("[SYS/PERM] TLS required"), Qt::CaseInsensitive))
        return QStringLiteral("The server takes a password only over a secure connection: "
                              "choose the security \"STARTTLS\" for this account (or \"TLS\" "
                              "if its port is 995).");
    if (isGmailServer(server))
        return QStringLiteral("Gmail takes an app password here, not the Google password: make "
                              "one under Google Account, Security, App passwords (2-Step "
                              "Verification must be on), and switch POP on in Gmail's settings.");
    if (under(server, "yahoo.com") || under(server, "yahoo.co.jp") || under(server, "ymail.com"))
        return QStringLiteral("Yahoo takes an app password here: make one under Account "
                              "Security, Generate app password.");
    if (under(server, "icloud.com") || under(server, "me.com") || under(server, "mac.com"))
        return QStringLiteral("iCloud Mail takes an app-specific password: make one at "
                              "appleid.apple.com, Sign-In and Security, App-Specific Passwords.");
    if (under(server, "gmx.net") || under(server, "gmx.de") || under(server, "gmx.com") ||
        under(server, "gmx.at") || under(server, "gmx.ch"))
        return QStringLiteral("GMX answers POP3 only once it is switched on in its web mail: "
                              "E-Mail Settings, POP3 & IMAP, allow access.");
    if (under(server, "web.de"))
        return QStringLiteral("WEB.DE answers POP3 only once it is switched on in its web mail: "
                              "Settings, POP3/IMAP, allow access.");
    return {};
}

} // namespace mervantic
