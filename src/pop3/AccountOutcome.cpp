#include "pop3/AccountOutcome.h"

#include "platform/CertificateFacts.h"

namespace mervantic::AccountFailure {

QString ofConnection(Socket::Failure kind, const QString& description, const QString& server,
                     int port) {
    switch (kind) {
    case Socket::Failure::Refused:
        return QStringLiteral("Connection refused: no POP3 server answers at %1, port %2")
            .arg(server)
            .arg(port);
    case Socket::Failure::HostNotFound:
        if (description.isEmpty())
            return QStringLiteral("No such host: %1").arg(server);
        return QStringLiteral("No such host: %1 (%2)").arg(server, description);
    case Socket::Failure::Unreachable:
        return QStringLiteral("Network unreachable: %1 cannot be reached from this computer (%2)")
            .arg(server, description);
    case Socket::Failure::TimedOut:
        return QStringLiteral("No answer from %1, port %2: the connection timed out")
            .arg(server)
            .arg(port);
    case Socket::Failure::Reset:
        return QStringLiteral("The server reset the connection");
    case Socket::Failure::Tls:
        return QStringLiteral("Secure connection failed: ") + description;
    case Socket::Failure::Network:
        break;
    }
    return QStringLiteral("Connection failed: ") + description;
}

bool trustCanHelp(Socket::CertificateTrouble trouble) {
    switch (trouble) {
    case Socket::CertificateTrouble::None:
    case Socket::CertificateTrouble::Unvouched:
    case Socket::CertificateTrouble::Changed:
        return true;
    case Socket::CertificateTrouble::OutOfDate:
    case Socket::CertificateTrouble::Other:
        break;
    }
    return false;
}

QString certificateAdvice(Socket::CertificateTrouble trouble, const QByteArray& presented) {
    const QString trustButton = QStringLiteral(
        "press Enter on the account's row in the mail list (or choose the account on "
        "the Configure Usernames "
        "page and press \"Trust This Certificate\")");
    switch (trouble) {
    case Socket::CertificateTrouble::None:
    case Socket::CertificateTrouble::Unvouched:
        return QStringLiteral("To trust this server's certificate anyway, ") + trustButton;
    case Socket::CertificateTrouble::Changed:
        return QStringLiteral("This may be an attack (someone between this computer and the "
                              "server): trust the new certificate only once the server's "
                              "administrator confirms that it was replaced; then ") +
               trustButton;
    case Socket::CertificateTrouble::OutOfDate: {
        const CertificateFacts facts = CertificateFacts::of(presented);
        return QStringLiteral("Trusting it cannot help: it is valid from %1 to %2 only; the "
                              "server's administrator must install a current certificate (or "
                              "this computer's clock is wrong)")
            .arg(facts.validFrom, facts.validUntil);
    }
    case Socket::CertificateTrouble::Other:
        break;
    }
    return QStringLiteral("Trusting it cannot help: the server's administrator must replace it");
}

QString connectTimedOut(const QString& server, int seconds, bool handshaking) {
    if (handshaking)
        return QStringLiteral("Secure connection failed: the TLS handshake with %1 did not end "
                              "within %2 seconds")
            .arg(server)
            .arg(seconds);
    return QStringLiteral("No answer from %1 within %2 seconds").arg(server).arg(seconds);
}

QString noAnswer(int seconds) {
    return QStringLiteral("No answer from the server within %1 seconds").arg(seconds);
}

QString noGreeting(int seconds, int port) {
    return noAnswer(seconds) +
           QStringLiteral(": it sent no greeting at all; port %1 may expect TLS from the start "
                          "(choose TLS as the account's security)")
               .arg(port);
}

QString replyTooSlow(int seconds, qint64 leastBytes) {
    return QStringLiteral("The server sent a message too slowly: less than %1 bytes in %2 seconds")
        .arg(leastBytes)
        .arg(seconds);
}

QString replyTooLong(qint64 longestBytes) {
    return QStringLiteral("The server's reply to a message went on past %1 MB without its end")
        .arg(longestBytes / (1024 * 1024));
}

QString lineTooSlow(int seconds) {
    return QStringLiteral("The server's reply did not end within %1 seconds").arg(seconds);
}

QString securityUnknown(const QString& why) {
    return QStringLiteral("Not checked: ") + why +
           QStringLiteral(", so this account's security and trusted certificates are not known "
                          "(mend or remove the file, then start Mervantic again)");
}

QString closedByServer() {
    return QStringLiteral("The server closed the connection");
}

QString refusedAt(Step step) {
    switch (step) {
    case Step::Greeting:
        return QStringLiteral("The server refused the connection: ");
    case Step::User:
        return QStringLiteral("The server refused the user name: ");
    case Step::Pass:
        return QStringLiteral("Wrong user name or password: ");
    case Step::Apop:
        return QStringLiteral("The server refused the APOP log-on (wrong user name or secret): ");
    case Step::Auth:
        return QStringLiteral("Wrong user name or password: ");
    case Step::Stls:
        return QStringLiteral("The server refused STARTTLS (no password was sent): ");
    case Step::Capa:
        return QStringLiteral("The server refused to list what it can do: ");
    case Step::Stat:
        return QStringLiteral("The server refused to count the messages: ");
    case Step::Message:
        return QStringLiteral("The server refused to send a message: ");
    case Step::Dele:
        return QStringLiteral("The server refused to delete a message: ");
    case Step::Quit:
        return QStringLiteral("The server refused to end the session: ");
    }
    return {};
}

Remedy remedyOfRefusal(Step step) {
    switch (step) {
    case Step::Pass:
    case Step::Apop:
    case Step::Auth:
        return Remedy::ChangePassword;
    case Step::User:
        return Remedy::MendAccount;
    case Step::Stls:
        return Remedy::ChooseSecurity;
    default:
        return Remedy::CheckAgain;
    }
}

QString tokenRefusedAdvice(const QString& provider) {
    return QStringLiteral("the next check asks %1 for a new token; if %1 will not give one (the "
                          "sign-in was revoked), sign in again: press Enter on the account's row "
                          "in the mail list (or "
                          "choose "
                          "the account on the Configure Usernames page and press \"Sign-In...\")")
        .arg(provider.isEmpty() ? QStringLiteral("the provider") : provider);
}

QString serverText(const QString& replyLine) {
    QString text = replyLine;
    if (text.startsWith(QLatin1String("-ERR")))
        text = text.mid(4);
    text = text.trimmed();
    return text.isEmpty() ? QStringLiteral("(no reason given)") : text;
}

} // namespace mervantic::AccountFailure
