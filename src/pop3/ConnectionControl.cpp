#include "pop3/ConnectionControl.h"

namespace mervantic {

namespace {
const QString kUserConnectionClosed = QStringLiteral("...User Connection Closed - Wait...");
}

ConnectionControl::ConnectionControl(Context context, QObject* parent)
    : QObject(parent)
    , m_context(context) {
    m_timeoutTicks.setInterval(20000);
    connect(&m_timeoutTicks, &QTimer::timeout, this, &ConnectionControl::timeoutTick);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &ConnectionControl::onPauseOver);
    m_cancelGrace.setSingleShot(true);
    m_cancelGrace.setInterval(kCancelGraceMs);
    connect(&m_cancelGrace, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Connected)
            closeAndAdvance();
    });
}

void ConnectionControl::cancel() {
    switch (m_phase) {
    case Phase::AwaitingDialAnswer:
    case Phase::AwaitingSecret:
    case Phase::ClosingLeftover:
    case Phase::Settling:
    case Phase::Connecting:
        closeSocket();
        m_phase = Phase::Abandoned;
        m_pause.start(0);
        return;
    case Phase::Connected:
        m_cancelGrace.start();
        return;
    case Phase::Idle:
    case Phase::Closing:
    case Phase::Abandoned:
        return;
    }
}

void ConnectionControl::connectToServer(const QString& server, int port) {
    m_server = server;
    m_port = port;
    m_context.session.outcome.reset();
    // How this account's connection is protected, for the connection and the conversation.
    m_context.session.security = m_context.connections.security(m_context.session.address());
    m_context.session.signIn = m_context.connections.signIn(m_context.session.address());
    m_context.session.accessToken.clear();
    m_passwordFetched = false;
    const quint64 attempt = ++m_attempt;
    if (m_context.connectivity.isOnline()) {
        closeLeftover();
        return;
    }
    // There is no dial-up dialog to offer here: either answer goes on and lets the connection
    // attempt report whether the server can be reached.
    m_phase = Phase::AwaitingDialAnswer;
    m_context.log.view().askYesNo({QStringLiteral("You Are NOT CONNECTED To The Internet\n"
                                                  "Do You Want A Dial-Up Connection Window?"),
                                   QString(), false},
                                  [this, attempt](bool) {
                                      if (attempt == m_attempt &&
                                          m_phase == Phase::AwaitingDialAnswer)
                                          closeLeftover();
                                  });
}

void ConnectionControl::closeLeftover() {
    m_context.session.step = Step::Greeting;
    closeSocket();
    m_closePolls = 0;
    m_phase = Phase::ClosingLeftover;
    m_pause.start(m_closeWaitMs);
}

void ConnectionControl::startConnecting() {
    if (const QString& unknown = m_context.connections.unknownBecause(); !unknown.isEmpty()) {
        abandon(AccountFailure::securityUnknown(unknown), Remedy::MendAccount);
        return;
    }
    if (awaitSecret())
        return;
    m_replyPace.reset();
    m_lineStartTick.reset();
    m_connectStartTick = m_context.clock.tickCount();
    m_phase = Phase::Connecting;
    m_context.socket.setPinnedCertificate(
        m_context.connections.pinnedCertificate(m_context.session.server, m_context.session.port));
    const Socket::Encryption encryption = m_context.session.security == Security::Tls
                                              ? Socket::Encryption::Tls
                                              : Socket::Encryption::Plain;
    if (!m_context.socket.connectToServer(m_server, m_port, encryption)) {
        onFailed(Socket::Failure::Network,
                 QStringLiteral("%1 is not a port number (1 to 65535)").arg(m_port));
        return;
    }
    m_pause.start(m_connectPollMs);
}

bool ConnectionControl::awaitSecret() {
    SessionState& session = m_context.session;
    // The token is asked for just before the connection, so that it is as fresh as it can be
    // and no connection stands idle while the provider (or the keyring) is asked.
    const bool token = session.signIn.oauth2() && session.accessToken.isEmpty();
    const bool password = !session.signIn.oauth2() && !m_passwordFetched &&
                          m_context.connections.passwordInKeyring(session.address());
    if (!token && !password)
        return false;
    if (m_secrets == nullptr) {
        giveUpConnecting(QStringLiteral("This program cannot reach the account's sign-in here"));
        return true;
    }
    m_phase = Phase::AwaitingSecret;
    const quint64 attempt = m_attempt;
    const auto answered = [this, attempt, token](const SignInSecrets::Answer& answer) {
        onSecret(attempt, token, answer);
    };
    if (token) {
        m_context.log.logAndShow(QStringLiteral("..Getting The Sign-In (OAuth2) From ") +
                                 session.signIn.provider);
        m_secrets->requestAccessToken(session.address(), answered);
    } else {
        m_context.log.logAndShow(QStringLiteral("..Getting The Password From The Desktop Keyring"));
        m_secrets->requestPassword(session.address(), answered);
    }
    return true;
}

void ConnectionControl::onSecret(quint64 attempt, bool token, const SignInSecrets::Answer& answer) {
    // An answer for an attempt given up (a cancel, a later account) is for nobody.
    if (attempt != m_attempt || m_phase != Phase::AwaitingSecret)
        return;
    if (!answer.failure.isEmpty() || (token && answer.secret.isEmpty())) {
        // A locked keyring opens at the next check; a sign-in the provider refused must be
        // made again.
        abandon(answer.failure, token ? Remedy::SignIn : Remedy::CheckAgain);
        return;
    }
    if (!answer.note.isEmpty())
        m_context.log.logAndShow(QStringLiteral("..") + answer.note);
    if (token) {
        m_context.session.accessToken = answer.secret;
    } else {
        m_context.session.password = QString::fromUtf8(answer.secret);
        m_passwordFetched = true;
    }
    startConnecting();
}

void ConnectionControl::abandon(const QString& why, Remedy remedy) {
    m_context.log.failAccount(m_context.session.outcome, why, remedy);
    m_context.log.logAndShow(QStringLiteral("..Not Connected"));
    m_phase = Phase::Abandoned;
    m_pause.start(0);
}

void ConnectionControl::accessTokenRefused() {
    if (m_secrets != nullptr)
        m_secrets->forget(m_context.session.address());
}

void ConnectionControl::onPauseOver() {
    switch (m_phase) {
    case Phase::ClosingLeftover:
        if (keepWaitingForClose())
            return;
        m_phase = Phase::Settling;
        m_pause.start(m_settleWaitMs);
        return;
    case Phase::Settling:
        startConnecting();
        return;
    case Phase::Connecting:
        if (connectTimedOut()) {
            const bool handshaking = m_context.socket.state() == Socket::State::Handshaking;
            m_context.socket.close();
            giveUpConnecting(AccountFailure::connectTimedOut(
                m_server, m_context.options.timeoutSeconds(), handshaking));
            return;
        }
        m_pause.start(m_connectPollMs);
        return;
    case Phase::Closing:
        if (keepWaitingForClose())
            return;
        if (socketClosed())
            m_context.log.logAndShow(kUserConnectionClosed);
        m_phase = Phase::Idle;
        Q_EMIT conversationOver();
        return;
    case Phase::Abandoned:
        m_phase = Phase::Idle;
        Q_EMIT conversationOver();
        return;
    case Phase::Idle:
    case Phase::AwaitingDialAnswer:
    case Phase::AwaitingSecret:
    case Phase::Connected:
        return;
    }
}

bool ConnectionControl::keepWaitingForClose() {
    if (socketClosed() || ++m_closePolls >= kClosePolls)
        return false;
    m_pause.start(m_closeWaitMs);
    return true;
}

bool ConnectionControl::connectTimedOut() const {
    const std::uint32_t elapsed = m_context.clock.tickCount() - m_connectStartTick;
    return elapsed > static_cast<std::uint64_t>(m_context.options.serverTimeoutMs);
}

void ConnectionControl::closeSocket() {
    if (!socketClosed())
        m_context.socket.close();
    m_timeoutTicks.stop();
    m_pause.stop();
    m_cancelGrace.stop();
    m_replyPace.reset();
    m_lineStartTick.reset();
}

void ConnectionControl::closeAndAdvance() {
    // Only a connection attempt or a conversation has anything to close and a run to move on;
    // a second call while the close wait runs changes nothing.
    if (m_phase != Phase::Connecting && m_phase != Phase::Connected)
        return;
    closeSocket();
    m_closePolls = 0;
    m_phase = Phase::Closing;
    m_pause.start(m_closeWaitMs);
}

void ConnectionControl::startTimeoutTicks() {
    m_timeoutTicks.start();
}

void ConnectionControl::timeoutTick() {
    if (m_phase != Phase::Connected)
        return;
    SessionState& session = m_context.session;
    const std::uint32_t now = m_context.clock.tickCount();
    // Unsigned arithmetic counts across the wrap of the tick counter.
    const std::uint32_t silent = now - session.lastDataTick;
    const auto timeout = static_cast<std::uint64_t>(m_context.options.serverTimeoutMs);
    // A message reply is judged by its pace over each time-out, not by its whole length of time:
    // a large message on a slow link keeps coming, a dripping server does not.
    bool replyTooSlow = false;
    if (m_replyPace && std::uint64_t{now - m_replyPace->windowStart} > timeout) {
        replyTooSlow = m_replyPace->bytes - m_replyPace->bytesAtStart < kLeastBytesPerTimeout;
        m_replyPace->windowStart = now;
        m_replyPace->bytesAtStart = m_replyPace->bytes;
    }
    // A server that drips a reply line byte by byte is never silent for long: the line itself
    // must be complete within the time-out.
    const bool lineTooLong =
        m_lineStartTick.has_value() && std::uint64_t{now - *m_lineStartTick} > timeout;
    if (session.haltRequest) {
        closeAndAdvance();
        return;
    }
    if (silent > timeout) {
        // Silent in the middle of going on under TLS (after STLS): the handshake did not end.
        const bool handshaking = m_context.socket.state() == Socket::State::Handshaking;
        // Not a byte since the connection: a server on a TLS port waits for a handshake.
        const bool neverGreeted = session.step == Step::Greeting &&
                                  session.lastDataTick == m_connectedTick &&
                                  session.security != Security::Tls && m_port != 110;
        m_context.log.failAccount(
            m_context.session.outcome,
            handshaking    ? AccountFailure::connectTimedOut(m_server,
                                                             m_context.options.timeoutSeconds(), true)
            : neverGreeted ? AccountFailure::noGreeting(m_context.options.timeoutSeconds(), m_port)
                           : AccountFailure::noAnswer(m_context.options.timeoutSeconds()),
            neverGreeted ? Remedy::UseTls : Remedy::CheckAgain);
        closeAndAdvance();
    } else if (replyTooSlow) {
        m_context.log.failAccount(m_context.session.outcome,
                                  AccountFailure::replyTooSlow(m_context.options.timeoutSeconds(),
                                                               kLeastBytesPerTimeout));
        closeAndAdvance();
    } else if (lineTooLong) {
        m_context.log.failAccount(m_context.session.outcome,
                                  AccountFailure::lineTooSlow(m_context.options.timeoutSeconds()));
        closeAndAdvance();
    }
}

void ConnectionControl::setReplyProgress(std::optional<qint64> totalBytes) {
    if (!totalBytes) {
        m_replyPace.reset();
        return;
    }
    if (!m_replyPace)
        m_replyPace = ReplyPace{m_context.session.lastDataTick, 0, *totalBytes};
    else
        m_replyPace->bytes = *totalBytes;
}

void ConnectionControl::onConnected() {
    if (m_phase != Phase::Connecting)
        return;
    SessionState& session = m_context.session;
    m_pause.stop();
    m_phase = Phase::Connected;
    m_context.log.logAndShow(QStringLiteral("..Connected-ServerIP: ") +
                             m_context.socket.peerAddress());
    // A server that accepts the connection and never greets is timed out like a silent one.
    session.lastDataTick = m_context.clock.tickCount();
    m_connectedTick = session.lastDataTick;
    m_lineStartTick = session.lastDataTick;
    m_timeoutTicks.start();
}

void ConnectionControl::onClosedByPeer() {
    if (m_phase == Phase::Connecting) {
        m_context.log.failAccount(m_context.session.outcome, AccountFailure::closedByServer());
        connectionFailed();
        return;
    }
    if (m_phase != Phase::Connected)
        return;
    if (!m_context.session.haltRequest)
        m_context.log.failAccount(m_context.session.outcome, AccountFailure::closedByServer());
    closeAndAdvance();
}

void ConnectionControl::onFailed(Socket::Failure kind, const QString& description) {
    if (m_phase != Phase::Connecting && m_phase != Phase::Connected)
        return;
    m_context.log.view().logEndRun();
    m_context.log.logAndShow(QStringLiteral("..Winsock1 Error"));
    // The cause follows, in plain words; a certificate problem as the log always named it.
    QString why = AccountFailure::ofConnection(kind, description, m_server, m_port);
    m_context.log.logAndShow(kind == Socket::Failure::Tls
                                 ? QStringLiteral("..Secure Connection Failed: ") + description
                                 : QStringLiteral("..") + why);
    // What the user can do about a certificate refused: trust it when trusting can help (it is
    // then kept for the user to look at), never without a word when it changed.
    const QByteArray presented = m_context.socket.presentedCertificate();
    Remedy remedy = Remedy::CheckAgain;
    if (kind == Socket::Failure::Tls && !presented.isEmpty()) {
        const Socket::CertificateTrouble trouble = m_context.socket.certificateTrouble();
        const QString hint = AccountFailure::certificateAdvice(trouble, presented);
        const SessionState& session = m_context.session;
        if (AccountFailure::trustCanHelp(trouble)) {
            m_context.connections.offerCertificate(session.server, session.port, presented);
            remedy = unencryptedBefore() ? Remedy::TrustOrGoUnencrypted : Remedy::TrustCertificate;
        } else {
            remedy = Remedy::AskAdministrator;
        }
        if (!hint.isEmpty()) {
            m_context.log.logAndShow(QStringLiteral("..") + hint);
            why += QStringLiteral(" - ") + hint;
        }
    } else if (kind == Socket::Failure::Tls) {
        // No certificate came: what answered was no TLS server (a plain port), or it spoke
        // none of this computer's versions.
        remedy = Remedy::ChooseSecurity;
    }
    m_context.session.outcome.fail(why, remedy);
    // A connection that could not be made is reported as such before the run moves on; one
    // that breaks during the conversation is over at once.
    if (m_phase == Phase::Connecting)
        connectionFailed();
    else
        closeAndAdvance();
}

bool ConnectionControl::unencryptedBefore() const {
    // An account whose security was never chosen, going on under STARTTLS because its server
    // offers it: before encryption was used where offered, it was checked without.
    const SessionState& session = m_context.session;
    return session.security == Security::StartTlsWhenOffered &&
           !m_context.connections.securityChosen(session.address()) &&
           !m_context.connections.startTlsSeen(session.address());
}

void ConnectionControl::giveUpConnecting(const QString& why) {
    m_context.log.view().logEndRun();
    m_context.log.logAndShow(QStringLiteral("..Winsock1 Error"));
    m_context.log.failAccount(m_context.session.outcome, why);
    connectionFailed();
}

void ConnectionControl::connectionFailed() {
    m_context.log.logAndShow(QStringLiteral("..Not Connected"));
    closeAndAdvance();
}

} // namespace mervantic
