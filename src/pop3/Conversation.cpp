#include "pop3/Conversation.h"

#include "pop3/Apop.h"
#include "pop3/ByteSearch.h"
#include "pop3/ConnectionControl.h"
#include "pop3/ProviderHints.h"
#include "store/Windows1252.h"

namespace mervantic {

namespace {

const QString kInTheClear = QStringLiteral(
    "..Warning: The Server Offers STARTTLS, But This Account's Security Is None: Its Password Or "
    "Sign-In Goes Unencrypted (Choose STARTTLS For The Account)");

// The message count of a STAT reply: the text from its fifth character up to the next blank.
std::optional<std::int32_t> statCount(const QByteArray& reply) {
    const qsizetype blank = reply.indexOf(' ', 4);
    if (reply.size() < 5 || blank < 0)
        return std::nullopt;
    bool ok = false;
    const std::int32_t count = reply.mid(4, blank - 4).toInt(&ok);
    if (!ok || count < 0)
        return std::nullopt;
    return count;
}

} // namespace

Conversation::Conversation(Context context, ConnectionControl& connection,
                           ConversationEvents& events)
    : m_context(context)
    , m_connection(connection)
    , m_events(events) {}

Conversation::~Conversation() = default;

void Conversation::reset() {
    m_line.clear();
    m_reply.clear();
    m_greeting.clear();
    m_capabilities = {};
    m_secure = m_context.session.security == Security::Tls;
    m_sasl.reset();
}

void Conversation::onDataArrived() {
    Socket& socket = m_context.socket;
    SessionState& session = m_context.session;
    if (!m_connection.conversing())
        return;
    if (socket.state() != Socket::State::Connected) {
        // Data of a connection that is no longer up counts as a reply of blanks.
        const QByteArray blanks(socket.bytesAvailable(), ' ');
        if (!blanks.isEmpty() && session.step != Step::Message)
            judge(blanks);
        return;
    }
    session.lastDataTick = m_context.clock.tickCount();
    QByteArray text = socket.readAll();
    if (text.isEmpty())
        return;
    if (session.step == Step::Message) {
        collectMessage(std::move(text));
        return;
    }
    if (session.step == Step::Capa) {
        collectCapabilities(std::move(text));
        return;
    }

    // A single-line reply is judged once its line is complete, however the network cut it.
    m_line.append(text);
    qsizetype end = indexOfBytes(m_line, "\r\n");
    if (end < 0) {
        if (m_line.size() < kLongestReplyLine)
            return;
        end = m_line.size() - 2;
    }
    const QByteArray reply = m_line.first(end + 2);
    m_line.clear();
    judge(reply);
}

void Conversation::judge(const QByteArray& reply) {
    if (reply.startsWith('+')) {
        onPositive(reply);
    } else if (reply.startsWith("-ERR")) {
        onNegative(reply);
    } else {
        m_context.session.outcome.fail(
            QStringLiteral("The server sent a reply that is not POP3: ") +
            quotedLine(shown(reply)));
        m_connection.closeAndAdvance();
    }
}

QByteArray Conversation::shown(const QByteArray& reply) const {
    const SessionState& session = m_context.session;
    return withSecretsMasked(reply, {Windows1252::encode(session.password), session.accessToken});
}

void Conversation::onNegative(const QByteArray& received) {
    const QByteArray reply = shown(received);
    QString prefix;
    if (m_context.session.step == Step::User)
        prefix = QStringLiteral("Username Logon Error: ");
    else if (m_context.session.step == Step::Auth && m_context.session.signIn.oauth2())
        prefix = QStringLiteral("Sign-In Logon Error: ");
    else if (m_context.session.step == Step::Pass || m_context.session.step == Step::Auth)
        prefix = QStringLiteral("Password Logon Error: ");
    m_context.log.logAndShow(prefix + loggedLine(reply));
    // A refusal inside a SASL exchange (an OAuth2 token's JSON error) in plain words.
    if (m_context.session.step == Step::Auth && !m_sasl.refusalDetail().isEmpty())
        m_context.log.logAndShow(QStringLiteral("..") + m_sasl.refusalDetail());
    // The server's own words stay; what the user can do about the common ones follows them.
    const Step step = m_context.session.step;
    const QString text = AccountFailure::serverText(quotedLine(reply));
    const bool loggingOn = step == Step::Greeting || step == Step::User || step == Step::Pass ||
                           step == Step::Apop || step == Step::Auth;
    const QString hint = providerHint(m_context.session.server, text, loggingOn);
    if (!hint.isEmpty())
        m_context.log.logAndShow(QStringLiteral("..") + hint);
    if (step == Step::Auth && m_context.session.signIn.oauth2()) {
        // The token was no good to this server: the next log-on asks the provider for another.
        m_connection.accessTokenRefused();
        const QString detail = m_sasl.refusalDetail();
        m_context.session.outcome.fail(
            QStringLiteral("The server refused the sign-in (OAuth2): ") + text +
                (detail.isEmpty() ? QString() : QStringLiteral(" - ") + detail) +
                QStringLiteral(" - ") +
                AccountFailure::tokenRefusedAdvice(m_context.session.signIn.provider),
            Remedy::SignIn);
    } else {
        m_context.session.outcome.fail(
            AccountFailure::refusedAt(step) + text +
                (hint.isEmpty() ? QString() : QStringLiteral(" - ") + hint),
            AccountFailure::remedyOfRefusal(step));
    }
    m_connection.closeAndAdvance();
}

void Conversation::onPositive(const QByteArray& reply) {
    SessionState& session = m_context.session;
    switch (session.step) {
    case Step::Greeting:
        m_connection.startTimeoutTicks();
        session.messageCount = 0;
        session.messageNumber = 0;
        m_reply.clear();
        m_context.log.logAndShow(loggedLine(reply));
        m_greeting = reply;
        send(Step::Capa, QStringLiteral("CAPA"));
        break;
    case Step::Capa:
        break;
    case Step::Stls:
        m_context.log.logAndShow(QStringLiteral("..Going On Under TLS (STARTTLS)"));
        m_context.socket.startTls(session.server);
        break;
    case Step::Auth:
        if (!reply.startsWith("+OK")) {
            onSaslChallenge(reply);
            break;
        }
        loggedOn(reply);
        break;
    case Step::User:
        send(Step::Pass, QStringLiteral("PASS ") + session.password);
        break;
    case Step::Pass:
    case Step::Apop:
        loggedOn(reply);
        break;
    case Step::Stat:
        onStat(reply);
        break;
    case Step::Quit:
        m_context.log.logAndShow(loggedLine(shown(reply)));
        m_events.quitAccepted();
        m_connection.closeAndAdvance();
        break;
    case Step::Dele:
        if (m_context.options.deleteEnabled)
            onDeleted();
        break;
    case Step::Message:
        break;
    }
}

void Conversation::loggedOn(const QByteArray& reply) {
    const SessionState& session = m_context.session;
    m_context.log.logAndShow(loggedLine(shown(reply)));
    m_context.loginDelays.loggedOn(session.address(), m_context.clock.tickCount(),
                                   m_capabilities.loginDelaySeconds);
    send(Step::Stat, QStringLiteral("STAT"));
}

void Conversation::onDeleted() {
    SessionState& session = m_context.session;
    if (!m_events.deleteAccepted() || session.messageNumber >= session.messageCount) {
        sendQuit();
        return;
    }
    ++session.messageNumber;
    requestMessage();
}

void Conversation::onStat(const QByteArray& reply) {
    SessionState& session = m_context.session;
    m_context.log.logAndShow(m_context.runs.deleting()
                                 ? QStringLiteral("..Checking For Delete Mail Items On Server")
                                 : QStringLiteral("..Checking For Mail"));
    const std::optional<std::int32_t> count = statCount(reply);
    if (!count) {
        // A count that is not a number is treated like a refusal.
        m_context.session.outcome.fail(
            QStringLiteral("The server's message count could not be read: ") +
            quotedLine(shown(reply)));
        onNegative(reply);
        return;
    }
    session.messageCount = *count;
    if (*count > 0) {
        session.messageNumber = 1;
        requestMessage();
        return;
    }
    m_events.mailboxEmpty();
    m_context.session.outcome.complete = true;
    sendQuit();
}

void Conversation::collectMessage(QByteArray piece) {
    SessionState& session = m_context.session;
    m_reply.appendTaking(std::move(piece));
    m_connection.setReplyProgress(m_reply.totalBytes());
    if (!m_reply.isComplete() && m_reply.totalBytes() > m_connection.longestMessageReply()) {
        // Memory is bounded whatever comes; time is not, for a reply that never ends.
        m_context.log.failAccount(session.outcome,
                                  AccountFailure::replyTooLong(m_connection.longestMessageReply()));
        m_reply.clear();
        m_connection.setReplyProgress(std::nullopt);
        m_connection.closeAndAdvance();
        return;
    }
    if (!m_reply.statusLineComplete())
        return;
    if (m_reply.startsWith("-ERR")) {
        m_context.session.outcome.fail(
            (m_context.options.useRetr ? QStringLiteral("The server refused the RETR command: ")
                                       : QStringLiteral("The server refused the TOP command: ")) +
            AccountFailure::serverText(quotedLine(shown(m_reply.statusLine().toByteArray()))));
        m_reply.clear();
        m_connection.setReplyProgress(std::nullopt);
        if (m_context.options.useRetr) {
            m_context.log.view().logAppend(QString());
            m_context.log.view().showStatus(QString());
        } else {
            m_context.log.logAndShow(QStringLiteral("Error Using -TOP- Command"));
        }
        sendQuit();
        return;
    }
    if (!m_reply.isComplete())
        return;

    m_connection.setReplyProgress(std::nullopt);
    if (session.haltRequest) {
        m_reply.clear();
        m_events.cancelledAfterMessage();
        sendQuit();
        return;
    }
    const AfterMessage next =
        m_events.messageRead({m_reply.body(), session.messageNumber, m_reply.isTruncated()});
    m_reply.clear();
    switch (next) {
    case AfterMessage::SendDele:
        send(Step::Dele, "DELE " + QByteArray::number(session.messageNumber));
        return;
    case AfterMessage::SendQuit:
        sendQuit();
        return;
    case AfterMessage::ReadNext:
        break;
    }
    if (session.messageNumber >= session.messageCount) {
        m_context.session.outcome.complete = true;
        sendQuit();
        return;
    }
    if (!m_events.wantsMoreMessages()) {
        sendQuit();
        return;
    }
    ++session.messageNumber;
    requestMessage();
}

void Conversation::collectCapabilities(QByteArray piece) {
    m_reply.appendTaking(std::move(piece));
    if (!m_reply.statusLineComplete())
        return;
    if (m_reply.startsWith("-ERR")) {
        // A server of old: spoken to as before CAPA existed.
        m_reply.clear();
        m_capabilities = {};
        afterCapabilities();
        return;
    }
    if (!m_reply.startsWith("+OK")) {
        const QByteArray line = m_reply.statusLine().toByteArray() + "\r\n";
        m_reply.clear();
        judge(line);
        return;
    }
    if (!m_reply.isComplete())
        return;
    m_capabilities = Capabilities::fromList(m_reply.body());
    m_reply.clear();
    afterCapabilities();
}

void Conversation::afterCapabilities() {
    const SessionState& session = m_context.session;
    const Security security = session.security;
    const bool upgrade =
        security == Security::StartTls || security == Security::StartTlsWhenOffered;
    if (!m_secure && upgrade && m_capabilities.stls) {
        send(Step::Stls, QStringLiteral("STLS"));
        return;
    }
    if (!m_secure && security == Security::StartTls) {
        refuseToLogOn(QStringLiteral("The account's security is STARTTLS, and the server does not "
                                     "offer it: no password was sent"));
        return;
    }
    // A server that offered STARTTLS before and does not now may have had it taken out of its
    // answer on the way; the password stays here until the user decides.
    if (!m_secure && security == Security::StartTlsWhenOffered &&
        m_context.connections.startTlsSeen(session.address())) {
        refuseToLogOn(QStringLiteral(
            "The server no longer offers STARTTLS, though this account was checked over it "
            "before: no password was sent. Someone on the way may be taking it out; if the "
            "server really changed, choose another security for the account"));
        return;
    }
    // The user chose no encryption, though the server offers it: said before the secret goes.
    if (!m_secure && security == Security::None && m_capabilities.stls &&
        !(m_context.options.useApop && !session.signIn.oauth2()))
        m_context.log.logAndShow(kInTheClear);
    logOn();
}

void Conversation::onTlsStarted() {
    SessionState& session = m_context.session;
    if (!m_connection.conversing() || session.step != Step::Stls)
        return;
    m_secure = true;
    session.lastDataTick = m_context.clock.tickCount();
    m_context.connections.markStartTlsSeen(session.address());
    m_context.log.logAndShow(QStringLiteral("..Secure Connection (STARTTLS)"));
    // What the server offered before the upgrade may have been changed on the way: it is asked
    // again.
    m_capabilities = {};
    send(Step::Capa, QStringLiteral("CAPA"));
}

void Conversation::refuseToLogOn(const QString& why) {
    // Only the account's security can let it log on.
    m_context.log.failAccount(m_context.session.outcome, why, Remedy::ChooseSecurity);
    m_connection.closeAndAdvance();
}

void Conversation::logOn() {
    const SessionState& session = m_context.session;
    if (!session.signIn.oauth2() && m_context.options.useApop) {
        apopLogon(QString::fromLatin1(m_greeting));
        return;
    }
    if (m_sasl.choose(session, m_capabilities)) {
        send(Step::Auth, m_sasl.command());
        return;
    }
    send(Step::User, QStringLiteral("USER ") + session.username);
}

void Conversation::onSaslChallenge(const QByteArray& reply) {
    const std::optional<QByteArray> line = m_sasl.answer(reply);
    if (!line) {
        m_context.log.failAccount(
            m_context.session.outcome,
            QStringLiteral("The server's log-on exchange (AUTH) did not end"));
        m_connection.closeAndAdvance();
        return;
    }
    send(Step::Auth, *line);
}

void Conversation::apopLogon(const QString& greeting) {
    const SessionState& session = m_context.session;
    const QString secret =
        m_context.options.passwordsAsSecrets ? session.password : m_context.options.apopSecret;
    QString reason = QStringLiteral("- No Shared Secret");
    if (!secret.isEmpty()) {
        reason = QStringLiteral("- No Server TimeStamp");
        if (const auto timestamp = Apop::timestamp(greeting)) {
            send(Step::Apop, QStringLiteral("APOP ") + session.username + QLatin1Char(' ') +
                                 Apop::digest(*timestamp, secret));
            return;
        }
    }
    sendQuit();
    m_context.log.logAndShow(QStringLiteral("APOP Logon Error ") + reason);
    m_context.session.outcome.fail(
        secret.isEmpty() ? QStringLiteral("APOP log-on not possible: no shared secret is set")
                         : QStringLiteral("APOP log-on not possible: the server's greeting "
                                          "has no timestamp"),
        secret.isEmpty() ? Remedy::ChangePassword : Remedy::MendAccount);
}

void Conversation::requestMessage() {
    QByteArray command = m_context.options.useRetr ? QByteArray("RETR ") : QByteArray("TOP ");
    command.append(QByteArray::number(m_context.session.messageNumber));
    if (!m_context.options.useRetr)
        command.append(" 2");
    send(Step::Message, std::move(command));
}

void Conversation::sendQuit() {
    send(Step::Quit, QStringLiteral("QUIT"));
}

void Conversation::send(Step nextStep, const QString& command) {
    // User names, passwords and secrets go out in the Windows-1252 bytes the files keep them in.
    send(nextStep, Windows1252::encode(command));
}

void Conversation::send(Step nextStep, QByteArray command) {
    m_context.session.step = nextStep;
    m_connection.setLineStartTick(
        nextStep == Step::Message ? std::nullopt : std::optional(m_context.clock.tickCount()));
    m_context.socket.send(command.append("\r\n"));
}

} // namespace mervantic
