#pragma once

#include "platform/Clock.h"
#include "platform/Socket.h"
#include "pop3/Capabilities.h"
#include "pop3/ConversationEvents.h"
#include "pop3/LoginDelays.h"
#include "pop3/MessageReply.h"
#include "pop3/ReplyText.h"
#include "pop3/RunLog.h"
#include "pop3/RunTracker.h"
#include "pop3/SaslExchange.h"
#include "pop3/SessionState.h"
#include "store/Options.h"

#include <QByteArray>

#include <memory>

namespace mervantic {

class ConnectionControl;
class ConversationEvents;

// The POP3 conversation with one server: each reply that arrives is judged against the step
// the conversation is at, and at most one command is sent in answer. CAPA, STLS and CAPA again
// when the account's security asks for it, log-on with USER and PASS, APOP or SASL, STAT, then
// TOP n 2 (or RETR n) for every message in turn, and QUIT. No password leaves before the
// connection is as secure as the account's security demands.
class Conversation {
public:
    // A single-line reply longer than this without its CR LF is judged as it stands.
    static constexpr qsizetype kLongestReplyLine = 4096;

    // What it works with.
    struct Context {
        Socket& socket;
        const Clock& clock;
        const Options& options;
        SessionState& session;
        RunLog& log;
        const RunTracker& runs;
        // Whether an account was seen over STARTTLS, kept between runs.
        ConnectionSettings& connections;
        // The least time between log-ons each server asked for.
        LoginDelays& loginDelays;
    };

    Conversation(Context context, ConnectionControl& connection, ConversationEvents& events);
    ~Conversation();

    void onDataArrived();
    // The connection went on under TLS after STLS.
    void onTlsStarted();
    // What the server listed in its last answer to CAPA.
    const Capabilities& capabilities() const { return m_capabilities; }
    // Forgets any partial reply of an earlier connection.
    void reset();

private:
    void judge(const QByteArray& reply);
    void onPositive(const QByteArray& reply);
    void onNegative(const QByteArray& received);
    // A reply as it may be shown: the account's password and token masked, should it echo them.
    QByteArray shown(const QByteArray& reply) const;
    void onStat(const QByteArray& reply);
    void onDeleted();
    void collectMessage(QByteArray piece);
    void apopLogon(const QString& greeting);
    void collectCapabilities(QByteArray piece);
    // The list (or the refusal) of CAPA is in: upgrade with STLS, refuse, or log on.
    void afterCapabilities();
    // Ends a conversation that may not go on to a log-on, saying why.
    void refuseToLogOn(const QString& why);
    void logOn();
    void onSaslChallenge(const QByteArray& reply);
    // The server took the log-on: on to STAT.
    void loggedOn(const QByteArray& reply);

    void send(Step nextStep, const QString& command);
    void send(Step nextStep, QByteArray command);
    void sendQuit();
    void requestMessage();

    Context m_context;
    ConnectionControl& m_connection;
    ConversationEvents& m_events;
    // A single-line reply until its CR LF has arrived.
    QByteArray m_line;
    // The message reply being collected (step 4), or the list of CAPA.
    MessageReply m_reply;
    QByteArray m_greeting;
    Capabilities m_capabilities;
    // The connection runs under TLS (from the start or after STLS).
    bool m_secure = false;
    SaslExchange m_sasl;
};

} // namespace mervantic
