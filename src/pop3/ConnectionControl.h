#pragma once

#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "platform/Socket.h"
#include "pop3/RunLog.h"
#include "pop3/SessionState.h"
#include "pop3/SignInSecrets.h"
#include "store/Options.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace mervantic {

// Opens the one connection to an account's server, guards the conversation with the server
// time-out, closes the connection when the conversation is over and hands control back to
// the run in progress.
//
// Nothing here waits on the stack: each pause (the dial-up question, closing a leftover
// connection, the settling pause, the connection attempt, the close wait and its polls) is a
// phase that a timer, a socket event or the user's answer ends, from the one event loop. So a
// cancel, a close or a timer tick can arrive between any two steps, and the run's next account
// is always started from a fresh stack.
class ConnectionControl : public QObject {
    Q_OBJECT

public:
    // What it works with.
    struct Context {
        Socket& socket;
        const Clock& clock;
        Connectivity& connectivity;
        const Options& options;
        SessionState& session;
        RunLog& log;
        // The certificates the user trusted, and those refused for the user to look at.
        ConnectionSettings& connections;
    };

    explicit ConnectionControl(Context context, QObject* parent = nullptr);

    // Starts the way to a connection with the server: online check, closing what is left of
    // the previous connection, the settling pause, then the connection attempt, plain or TLS as
    // the session's account has chosen. Returns at once.
    void connectToServer(const QString& server, int port);
    // Closes the connection; once the close wait is over, the run moves on (conversationOver).
    void closeAndAdvance();
    // The time-out tick: abandons a conversation that has been silent for longer than the
    // server time-out, and acts on a cancel request.
    void timeoutTick();
    // (Re)starts the time-out ticks; the conversation calls it when the greeting arrives.
    void startTimeoutTicks();
    // The run was asked to stop. A pause before the connection, and a connection attempt, end
    // at once. A conversation gets a moment to finish the reply it is reading (the conversation
    // then ends it with QUIT); a server that does not answer within it is owed nothing and the
    // connection is closed.
    void cancel();

    void onConnected();
    void onClosedByPeer();
    void onFailed(Socket::Failure kind, const QString& description);

    // True while a conversation may talk to the server.
    bool conversing() const { return m_phase == Phase::Connected; }

    // How much of the message reply now arriving has come (its whole length so far), for the
    // pace it must keep; nothing when no reply is in progress.
    void setReplyProgress(std::optional<qint64> totalBytes);
    // A message reply longer than this without its end is given up (no message is this large).
    qint64 longestMessageReply() const { return m_longestMessageReply; }
    void setLongestMessageReply(qint64 bytes) { m_longestMessageReply = bytes; }
    static constexpr qint64 kLongestMessageReply = qint64{512} * 1024 * 1024;
    // The tick count from which a one-line reply is awaited (the command, or the connection for
    // the greeting): the whole line must arrive within the server time-out. Nothing while a
    // message reply is awaited.
    void setLineStartTick(std::optional<std::uint32_t> tick) { m_lineStartTick = tick; }

    // Where OAuth2 accounts get their access tokens, and accounts whose password is in the
    // desktop keyring their password; without it they fail with why.
    void setSecrets(SignInSecrets* secrets) { m_secrets = secrets; }
    // The server refused the account's access token.
    void accessTokenRefused();

    // Intervals, shortened by tests and benchmarks.
    void setTimeoutTickInterval(int ms) { m_timeoutTicks.setInterval(ms); }
    void setSettleWaitMs(int ms) { m_settleWaitMs = ms; }
    void setCloseWaitMs(int ms) { m_closeWaitMs = ms; }
    void setCancelGraceMs(int ms) { m_cancelGrace.setInterval(ms); }
    // How long a conversation may go on after a cancel to end with QUIT.
    static constexpr int kCancelGraceMs = 300;

    // A message reply may take as long as it needs on a slow link, but in each server time-out
    // at least this much of it must arrive: a server that drips it a byte at a time is given up.
    static constexpr qint64 kLeastBytesPerTimeout = 1024;
    // The close wait gives the socket this many polls to report closed.
    static constexpr int kClosePolls = 26;

Q_SIGNALS:
    // The conversation with the current account is over and its connection is closed.
    void conversationOver();

private:
    enum class Phase {
        Idle,
        AwaitingDialAnswer,
        ClosingLeftover,
        Settling,
        // An OAuth2 account's access token (perhaps renewed at the provider), or a password
        // from the desktop keyring, is on its way.
        AwaitingSecret,
        Connecting,
        Connected,
        Closing,
        // Given up before a conversation began; the run moves on at the next turn of the loop.
        Abandoned,
    };

    void closeLeftover();
    void startConnecting();
    // Asks for the secret the account signs in with when the account file does not hold it;
    // false when there is none to wait for.
    bool awaitSecret();
    // The account is given up before any connection, with why; the run moves on.
    void abandon(const QString& why, Remedy remedy);
    // Whether a certificate refused under STARTTLS is the first encryption this account met:
    // until then it was checked without.
    bool unencryptedBefore() const;
    void onSecret(quint64 attempt, bool token, const SignInSecrets::Answer& answer);
    void onPauseOver();
    // Closes the socket and stops the time-out; the phase is the caller's.
    void closeSocket();
    bool connectTimedOut() const;
    // Polls the socket once more in a close wait; false when it has closed or the wait is over.
    bool keepWaitingForClose();
    bool socketClosed() const { return m_context.socket.state() == Socket::State::Closed; }
    void connectionFailed();
    // A connection attempt that did not succeed within the time-out.
    void giveUpConnecting(const QString& why);

    Context m_context;
    SignInSecrets* m_secrets = nullptr;
    // The keyring's password of this connection's account is in the session.
    bool m_passwordFetched = false;
    Phase m_phase = Phase::Idle;
    // The current pause; its end continues the phase.
    QTimer m_pause;
    QTimer m_timeoutTicks;
    QTimer m_cancelGrace;
    int m_settleWaitMs = 500;
    int m_closeWaitMs = 200;
    // How often a connection attempt is looked at for its time-out.
    int m_connectPollMs = 100;
    int m_closePolls = 0;
    // Counts connection attempts, so that a late answer to the dial-up question is not taken
    // for the question of a later attempt.
    quint64 m_attempt = 0;
    QString m_server;
    int m_port = 0;
    std::uint32_t m_connectStartTick = 0;
    // When the connection was made: no data since then means no greeting at all.
    std::uint32_t m_connectedTick = 0;
    // The message reply's pace: since when, from how many bytes, and how many now.
    struct ReplyPace {
        std::uint32_t windowStart = 0;
        qint64 bytesAtStart = 0;
        qint64 bytes = 0;
    };
    std::optional<ReplyPace> m_replyPace;
    qint64 m_longestMessageReply = kLongestMessageReply;
    std::optional<std::uint32_t> m_lineStartTick;
};

} // namespace mervantic
