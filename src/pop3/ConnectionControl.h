#pragma once

#include "platform/Socket.h"
#include "pop3/RunContext.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace mervantic {

// Opens the one connection to an account's server, guards the conversation with the server
// time-out, closes the connection when the conversation is over and hands control back to
// the run in progress.
class ConnectionControl : public QObject {
    Q_OBJECT

public:
    ConnectionControl(RunContext& context, RunDriver& driver, QObject* parent = nullptr);

    // Returns once the socket is connected, or once the run has been moved on because the
    // connection failed.
    void connectToServer(const QString& server, int port);
    // Closes the connection and, unless a clean-up close is in progress, moves the run on.
    void closeAndAdvance();
    // The time-out tick: abandons a conversation that has been silent for longer than the
    // server time-out, and acts on a cancel request.
    void timeoutTick();
    // (Re)starts the time-out ticks; the conversation calls it when the greeting arrives.
    void startTimeoutTicks();

    void onConnected();
    void onClosedByPeer();
    void onFailed(Socket::Failure kind, const QString& description);

    // The tick count at which the message reply now arriving began, for the limit on how long
    // one reply may keep arriving; nothing when no reply is in progress.
    void setReplyStartTick(std::optional<std::uint32_t> tick) { m_replyStartTick = tick; }

    // Intervals, shortened by tests and benchmarks.
    void setTimeoutTickInterval(int ms) { m_timeoutTicks.setInterval(ms); }
    void setSettleWaitMs(int ms) { m_settleWaitMs = ms; }
    void setCloseWaitMs(int ms) { m_closeWaitMs = ms; }

    // One reply may keep arriving for at most this many server time-outs.
    static constexpr int kReplyTimeoutFactor = 4;

private:
    bool connectTimedOut() const;

    RunContext& m_context;
    RunDriver& m_driver;
    QTimer m_timeoutTicks;
    int m_settleWaitMs = 500;
    int m_closeWaitMs = 200;
    // Counts connection attempts and conversation ends, so that a wait can tell whether the
    // run moved on while it dispatched events.
    quint64 m_conversation = 0;
    std::uint32_t m_connectStartTick = 0;
    std::optional<std::uint32_t> m_replyStartTick;
};

} // namespace mervantic
