#pragma once

#include "platform/Socket.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <deque>
#include <vector>

namespace mervantic::test {

// One server's side of a conversation, as a transcript: what the server sends (each piece one
// data event) and the command lines the client must send.
class Script {
public:
    struct Step {
        enum Kind { Serve, Expect, PeerClose, Fail, Silence, Pause, StartTls };
        Kind kind;
        QByteArray bytes;
    };

    // S: bytes delivered to the client as one data event.
    Script& serve(const QByteArray& bytes);
    // S: bytes delivered in pieces cut at the given offsets, one data event each.
    Script& serveSplit(const QByteArray& bytes, const std::vector<qsizetype>& cuts);
    // C: the line (without CR LF) the client must send next.
    Script& expect(const QByteArray& line);
    Script& peerCloses();
    Script& fails(Socket::Failure kind = Socket::Failure::Network);
    // Nothing more happens unless the client closes.
    Script& silence();
    // Nothing more happens until the test resumes the script.
    Script& pause();
    // The connection never completes.
    Script& neverConnects();
    // The client must go on under TLS next (after STLS); the upgrade succeeds, or fails with
    // a certificate problem.
    Script& startsTls(bool succeeds = true);
    // The same, and the handshake never ends.
    Script& startsTlsAndHangs();

    // The usual opening: greeting, USER, PASS, the log-on reply.
    static Script loggedOn(const QByteArray& user = "alice", const QByteArray& password = "secret");
    // Logged on to a mailbox with nothing in it, then QUIT.
    static Script emptyMailbox();

    std::deque<Step> steps;
    bool connects = true;
    bool refuses = false;
};

// A transport that plays scripts instead of talking to a network. Each connection to a port
// takes the next script queued for that port; a port without one refuses the connection.
// Fails the running test on any command the script did not expect.
class ScriptedSocket final : public Socket {
    Q_OBJECT

public:
    void addScript(int port, Script script);

    bool connectToServer(const QString& host, int port, Encryption encryption) override;
    void send(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_buffer.size(); }
    void close() override;
    State state() const override { return m_state; }
    QString peerAddress() const override { return QStringLiteral("127.0.0.1"); }

    // Every line the client sent, over all connections, but the CAPA a script does not expect:
    // that is answered as a server of old does, with -ERR, and only counted.
    const QStringList& sent() const { return m_sentLines; }
    int capaAnsweredAsUnknown() const { return m_capaAnsweredAsUnknown; }
    // How each connection was asked to begin.
    const std::vector<Encryption>& encryptions() const { return m_encryptions; }
    void startTls(const QString& host) override;
    int connections() const { return m_connections; }
    // Whether the current script has played to its end.
    bool scriptDone() const { return m_script.steps.empty(); }
    QStringList unexpected() const { return m_unexpected; }
    // Whether the script waits at a pause, and going on from there.
    bool paused() const;
    void resume();

private:
    void playNext();
    void later(std::function<void()> action);

    QHash<int, std::deque<Script>> m_scripts;
    Script m_script;
    QByteArray m_buffer;
    QByteArray m_partialCommand;
    State m_state = State::Closed;
    quint64 m_connection = 0;
    int m_connections = 0;
    // Steps posted to the event loop and not yet played.
    int m_pending = 0;
    QStringList m_sentLines;
    QStringList m_unexpected;
    int m_capaAnsweredAsUnknown = 0;
    std::vector<Encryption> m_encryptions;
};

} // namespace mervantic::test
