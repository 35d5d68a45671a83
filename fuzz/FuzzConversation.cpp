// The conversation fed arbitrary server bytes in arbitrary pieces: one account is checked (or a
// ticked row deleted) against a server that answers each command with the next piece. The run
// must end, and end in bounded time: when the pieces run out the server falls silent and the
// time-out (on a clock moved by hand) gives it up.
#include "pop3/MailChecker.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>

using namespace mervantic;

namespace {

class FuzzSocket final : public Socket {
public:
    std::deque<QByteArray> pieces;
    bool connects = true;

    bool connectToServer(const QString&, int port, Encryption) override {
        if (port < 1 || port > 65535)
            return false;
        m_state = State::Connecting;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_state != State::Connecting)
                    return;
                if (!connects) {
                    m_state = State::Closed;
                    Q_EMIT failed(Failure::Network, QStringLiteral("refused"));
                    return;
                }
                m_state = State::Connected;
                Q_EMIT connected();
                serveNext();
            },
            Qt::QueuedConnection);
        return true;
    }
    void send(const QByteArray&) override { serveNext(); }
    // The upgrade succeeds at once: what follows is the fuzzer's again.
    void startTls(const QString&) override {
        const quint64 connection = m_connection;
        QMetaObject::invokeMethod(
            this,
            [this, connection] {
                if (connection == m_connection && m_state == State::Connected)
                    Q_EMIT tlsStarted();
            },
            Qt::QueuedConnection);
    }
    QByteArray readAll() override { return std::exchange(m_buffer, {}); }
    qint64 bytesAvailable() const override { return m_buffer.size(); }
    void close() override {
        m_state = State::Closed;
        m_buffer.clear();
        ++m_connection;
    }
    State state() const override { return m_state; }
    QString peerAddress() const override { return QStringLiteral("127.0.0.1"); }

private:
    // The next piece as the server's answer; with none left, an orderly close or silence.
    void serveNext() {
        const quint64 connection = m_connection;
        QMetaObject::invokeMethod(
            this,
            [this, connection] {
                if (connection != m_connection || m_state != State::Connected)
                    return;
                if (pieces.empty())
                    return; // silence: the time-out ends it
                QByteArray piece = std::move(pieces.front());
                pieces.pop_front();
                if (piece == "<close>") {
                    m_state = State::Closed;
                    Q_EMIT closedByPeer();
                    return;
                }
                m_buffer.append(piece);
                Q_EMIT dataArrived();
            },
            Qt::QueuedConnection);
    }

    QByteArray m_buffer;
    State m_state = State::Closed;
    quint64 m_connection = 0;
};

class Clock0 final : public Clock {
public:
    std::uint32_t ticks = 1000;
    std::uint32_t tickCount() const override { return ticks; }
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 10), QTime(9, 0)); }
};

struct Online final : Connectivity {
    bool isOnline() override { return true; }
};

struct Silent final : Beeper {
    void beep() override {}
};

class SilentView final : public RunView {
public:
    void logBeginRun(const QString&) override {}
    void logAppend(const QString& line) override {
        if (line.size() > 300)
            std::abort(); // no server text makes an enormous log line
    }
    void logEndRun() override {}
    void showStatus(const QString&) override {}
    void runPhaseChanged(RunPhase, bool) override {}
    void selectMailPage() override {}
    void setCaption(const QString&) override {}
    void showMessage(const QString&) override {}
    void askYesNo(const Question&, std::function<void(bool)> answered) override { answered(true); }
    void showRawBlock(QByteArrayView) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t switches = data[0];
    // The rest, cut into the server's pieces at each 0x1E byte.
    FuzzSocket socket;
    QByteArray piece;
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0x1E) {
            socket.pieces.push_back(piece);
            piece.clear();
        } else {
            piece.append(static_cast<char>(data[i]));
        }
    }
    socket.pieces.push_back(piece);
    socket.connects = (switches & 0x80) == 0;

    Clock0 clock;
    Online online;
    Silent beeper;
    SilentView view;
    Options options;
    options.useApop = switches & 1;
    options.useRetr = switches & 2;
    options.passwordsAsSecrets = switches & 4;
    options.apopSecret = (switches & 8) ? QStringLiteral("tanstaaf") : QString();
    options.deleteEnabled = switches & 16;
    options.dateFormat = 1 + (switches >> 5) % 5;
    options.serverTimeoutMs = 5000;
    AccountList accounts;
    accounts.append({QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("pop"),
                     QStringLiteral("110"), QStringLiteral("K1Psecret"), false});
    MailList mail;
    mail.setMemoryBudget(64 * 1024);
    ConnectionSettings connections;
    // Every security, and a server seen over STARTTLS before, by the input's length.
    const MailboxAddress account{QStringLiteral("alice"), QStringLiteral("pop"),
                                 QStringLiteral("110")};
    connections.setSecurity(account, static_cast<Security>(size % 4));
    if (size % 8 >= 4)
        connections.markStartTlsSeen(account);
    MailChecker checker(socket, clock, online, beeper, view, options, accounts, mail, connections);
    checker.connection().setSettleWaitMs(0);
    checker.connection().setCloseWaitMs(0);
    checker.connection().setTimeoutTickInterval(1000000);
    if (options.deleteEnabled) {
        mail.setDeleteFunctionsEnabled(true);
        mail.addMessageRow(QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("secret"),
                           QStringLiteral("a@b"), QStringLiteral("s"), QString(),
                           QStringLiteral("pop"), QStringLiteral("110"), QStringLiteral("<1@b>"));
        mail.checkAll();
        checker.deleteMailButton();
    } else {
        checker.checkMailButton();
    }
    // Everything the pieces can say is said within these rounds; then time passes, twice.
    for (int round = 0; round < 20000 && checker.phase() != RunPhase::Idle; ++round) {
        QCoreApplication::processEvents();
        if (round % 1000 == 999) {
            clock.ticks += 30000;
            checker.connection().timeoutTick();
        }
    }
    if (checker.phase() != RunPhase::Idle)
        std::abort(); // a run that never ends
    return 0;
}
