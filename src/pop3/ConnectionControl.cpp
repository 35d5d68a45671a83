#include "pop3/ConnectionControl.h"

#include "platform/Waiting.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace mervantic {

namespace {
const QString kUserConnectionClosed = QStringLiteral("...User Connection Closed - Wait...");
}

ConnectionControl::ConnectionControl(RunContext& context, RunDriver& driver, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_driver(driver) {
    m_timeoutTicks.setInterval(20000);
    connect(&m_timeoutTicks, &QTimer::timeout, this, &ConnectionControl::timeoutTick);
}

void ConnectionControl::connectToServer(const QString& server, int port) {
    SessionState& session = m_context.session;
    if (!m_context.connectivity.isOnline()) {
        // There is no dial-up dialog to offer here: either answer goes on and lets the
        // connection attempt report whether the server can be reached.
        m_context.view.askYesNo(QStringLiteral("You Are NOT CONNECTED To The Internet\n"
                                               "Do You Want A Dial-Up Connection Window?"));
    }

    session.step = 0;
    session.suppressAdvance = true;
    closeAndAdvance();
    waitMilliseconds(m_context.clock, m_settleWaitMs);
    session.suppressAdvance = false;

    session.connected = false;
    session.closed = false;
    m_replyStartTick.reset();
    const quint64 conversation = ++m_conversation;
    m_connectStartTick = m_context.clock.tickCount();
    if (!m_context.socket.connectToServer(server, port))
        onFailed(Socket::Failure::Network, QStringLiteral("the port is not a valid port number"));

    // A repeating wake-up lets the wait notice the connection time-out.
    QTimer wake;
    wake.start(100);
    // The wait ends when the socket connects, or fails, or when something inside it (a close by
    // the peer, a nested run step) has already moved the run on.
    while (conversation == m_conversation && !session.connected) {
        if (session.closed) {
            session.closed = false;
            m_context.logAndShow(QStringLiteral("..Not Connected"));
            closeAndAdvance();
            return;
        }
        if (connectTimedOut()) {
            m_context.socket.close();
            onFailed(Socket::Failure::Network, QStringLiteral("the connection timed out"));
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool ConnectionControl::connectTimedOut() const {
    const std::uint32_t elapsed = m_context.clock.tickCount() - m_connectStartTick;
    return elapsed > static_cast<std::uint64_t>(m_context.options.serverTimeoutMs);
}

void ConnectionControl::closeAndAdvance() {
    SessionState& session = m_context.session;
    Socket& socket = m_context.socket;
    if (!session.suppressAdvance)
        ++m_conversation;
    if (socket.state() != Socket::State::Closed)
        socket.close();
    session.connected = false;
    session.closed = true;
    m_timeoutTicks.stop();
    m_replyStartTick.reset();

    for (int wait = 0; wait < 26; ++wait) {
        waitMilliseconds(m_context.clock, m_closeWaitMs);
        if (socket.state() == Socket::State::Closed)
            break;
    }
    if (socket.state() == Socket::State::Closed && !session.suppressAdvance)
        m_context.logAndShow(kUserConnectionClosed);
    if (session.suppressAdvance)
        return;
    m_driver.advanceRun();
}

void ConnectionControl::startTimeoutTicks() {
    m_timeoutTicks.start();
}

void ConnectionControl::timeoutTick() {
    SessionState& session = m_context.session;
    const std::uint32_t now = m_context.clock.tickCount();
    // Unsigned arithmetic counts across the wrap of the tick counter.
    const std::uint32_t silent = now - session.lastDataTick;
    const auto timeout = static_cast<std::uint64_t>(m_context.options.serverTimeoutMs);
    const bool replyTooLong =
        m_replyStartTick.has_value() &&
        std::uint64_t{now - *m_replyStartTick} > kReplyTimeoutFactor * timeout;
    if (silent > timeout || replyTooLong)
        closeAndAdvance();
    else if (session.haltRequest)
        closeAndAdvance();
}

void ConnectionControl::onConnected() {
    SessionState& session = m_context.session;
    session.connected = true;
    m_context.logAndShow(QStringLiteral("..Connected-ServerIP: ") + m_context.socket.peerAddress());
    // A server that accepts the connection and never greets is timed out like a silent one.
    session.lastDataTick = m_context.clock.tickCount();
    m_timeoutTicks.start();
}

void ConnectionControl::onClosedByPeer() {
    m_context.session.connected = false;
    m_context.session.closed = true;
    closeAndAdvance();
}

void ConnectionControl::onFailed(Socket::Failure kind, const QString& description) {
    SessionState& session = m_context.session;
    const bool conversationRunning = session.connected;
    session.closed = true;
    session.connected = false;
    m_context.view.logEndRun();
    m_context.logAndShow(QStringLiteral("..Winsock1 Error"));
    if (kind == Socket::Failure::Tls)
        m_context.logAndShow(QStringLiteral("..Secure Connection Failed: ") + description);
    // The connection wait moves the run on when the connection failed; a connection that
    // breaks during the conversation is over at once.
    if (conversationRunning)
        closeAndAdvance();
}

} // namespace mervantic
