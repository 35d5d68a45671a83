#include "ScriptedSocket.h"

#include <QMetaObject>

#include <gtest/gtest.h>

namespace mervantic::test {

Script& Script::serve(const QByteArray& bytes) {
    steps.push_back({Step::Serve, bytes});
    return *this;
}

Script& Script::serveSplit(const QByteArray& bytes, const std::vector<qsizetype>& cuts) {
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        serve(bytes.mid(from, cut - from));
        from = cut;
    }
    return serve(bytes.mid(from));
}

Script& Script::expect(const QByteArray& line) {
    steps.push_back({Step::Expect, line});
    return *this;
}

Script& Script::peerCloses() {
    steps.push_back({Step::PeerClose, {}});
    return *this;
}

Script& Script::fails(Socket::Failure kind) {
    steps.push_back({Step::Fail, QByteArray::number(static_cast<int>(kind))});
    return *this;
}

Script& Script::silence() {
    steps.push_back({Step::Silence, {}});
    return *this;
}

Script& Script::pause() {
    steps.push_back({Step::Pause, {}});
    return *this;
}

Script& Script::neverConnects() {
    connects = false;
    return *this;
}

Script& Script::startsTls(bool succeeds) {
    steps.push_back({Step::StartTls, succeeds ? QByteArray("ok") : QByteArray("fails")});
    return *this;
}

Script& Script::startsTlsAndHangs() {
    steps.push_back({Step::StartTls, QByteArray("hangs")});
    return *this;
}

Script Script::loggedOn(const QByteArray& user, const QByteArray& password) {
    Script script;
    script.serve("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>\r\n")
        .expect("USER " + user)
        .serve("+OK\r\n")
        .expect("PASS " + password)
        .serve("+OK Logged in.\r\n");
    return script;
}

Script Script::emptyMailbox() {
    return loggedOn().expect("STAT").serve("+OK 0 0\r\n").expect("QUIT").serve("+OK\r\n");
}

void ScriptedSocket::addScript(int port, Script script) {
    m_scripts[port].push_back(std::move(script));
}

void ScriptedSocket::later(std::function<void()> action) {
    const quint64 connection = m_connection;
    ++m_pending;
    QMetaObject::invokeMethod(
        this,
        [this, connection, action = std::move(action)] {
            --m_pending;
            if (connection == m_connection)
                action();
        },
        Qt::QueuedConnection);
}

bool ScriptedSocket::connectToServer(const QString& /*host*/, int port, Encryption encryption) {
    close();
    if (port < 1 || port > 65535)
        return false;
    ++m_connections;
    m_encryptions.push_back(encryption);
    m_state = State::Connecting;
    auto queued = m_scripts.find(port);
    if (queued == m_scripts.end() || queued->empty()) {
        later([this] {
            m_state = State::Closed;
            Q_EMIT failed(Failure::Refused, QStringLiteral("Connection refused"));
        });
        return true;
    }
    m_script = std::move(queued->front());
    queued->pop_front();
    if (!m_script.connects)
        return true;
    later([this] {
        m_state = State::Connected;
        Q_EMIT connected();
        playNext();
    });
    return true;
}

void ScriptedSocket::playNext() {
    if (m_script.steps.empty())
        return;
    const Script::Step step = m_script.steps.front();
    switch (step.kind) {
    case Script::Step::Serve:
        m_script.steps.pop_front();
        later([this, bytes = step.bytes] {
            m_buffer.append(bytes);
            Q_EMIT dataArrived();
            playNext();
        });
        break;
    case Script::Step::PeerClose:
        m_script.steps.pop_front();
        later([this] {
            m_state = State::Closed;
            Q_EMIT closedByPeer();
        });
        break;
    case Script::Step::Fail:
        m_script.steps.pop_front();
        later([this, kind = static_cast<Failure>(step.bytes.toInt())] {
            m_state = State::Closed;
            Q_EMIT failed(kind, kind == Failure::Tls ? QStringLiteral("certificate problem")
                                                     : QStringLiteral("reset"));
        });
        break;
    case Script::Step::Expect:
    case Script::Step::Silence:
    case Script::Step::Pause:
    case Script::Step::StartTls:
        break; // waits for the client
    }
}

void ScriptedSocket::send(const QByteArray& bytes) {
    if (m_state != State::Connected) {
        m_unexpected << QStringLiteral("sent while not connected: ") + QString::fromLatin1(bytes);
        return;
    }
    m_partialCommand.append(bytes);
    qsizetype end;
    while ((end = m_partialCommand.indexOf("\r\n")) >= 0) {
        const QByteArray line = m_partialCommand.left(end);
        m_partialCommand.remove(0, end + 2);
        const bool capaExpected = !m_script.steps.empty() &&
                                  m_script.steps.front().kind == Script::Step::Expect &&
                                  m_script.steps.front().bytes == "CAPA";
        if (line == "CAPA" && !capaExpected) {
            ++m_capaAnsweredAsUnknown;
            later([this] {
                m_buffer.append("-ERR Unknown command\r\n");
                Q_EMIT dataArrived();
            });
            continue;
        }
        m_sentLines << QString::fromLatin1(line);
        if (m_script.steps.empty() || m_script.steps.front().kind != Script::Step::Expect) {
            m_unexpected << QStringLiteral("unscripted: ") + QString::fromLatin1(line);
            ADD_FAILURE() << "unscripted command: " << line.toStdString();
            continue;
        }
        const QByteArray expected = m_script.steps.front().bytes;
        m_script.steps.pop_front();
        if (line != expected) {
            m_unexpected << QStringLiteral("expected ") + QString::fromLatin1(expected) +
                                QStringLiteral(", got ") + QString::fromLatin1(line);
            ADD_FAILURE() << "expected command " << expected.toStdString() << ", got "
                          << line.toStdString();
        }
        playNext();
    }
}

void ScriptedSocket::startTls(const QString& /*host*/) {
    if (m_state != State::Connected || m_script.steps.empty() ||
        m_script.steps.front().kind != Script::Step::StartTls) {
        m_unexpected << QStringLiteral("unscripted TLS upgrade");
        ADD_FAILURE() << "unscripted TLS upgrade";
        return;
    }
    const bool succeeds = m_script.steps.front().bytes == "ok";
    const bool hangs = m_script.steps.front().bytes == "hangs";
    m_script.steps.pop_front();
    if (hangs) {
        m_state = State::Handshaking;
        return;
    }
    later([this, succeeds] {
        if (!succeeds) {
            m_state = State::Closed;
            Q_EMIT failed(Failure::Tls, QStringLiteral("certificate problem"));
            return;
        }
        Q_EMIT tlsStarted();
        playNext();
    });
}

bool ScriptedSocket::paused() const {
    return m_state == State::Connected && m_pending == 0 && !m_script.steps.empty() &&
           m_script.steps.front().kind == Script::Step::Pause;
}

void ScriptedSocket::resume() {
    if (!paused())
        return;
    m_script.steps.pop_front();
    playNext();
}

QByteArray ScriptedSocket::readAll() {
    return std::exchange(m_buffer, {});
}

void ScriptedSocket::close() {
    ++m_connection;
    m_state = State::Closed;
    m_buffer.clear();
    m_partialCommand.clear();
}

} // namespace mervantic::test
