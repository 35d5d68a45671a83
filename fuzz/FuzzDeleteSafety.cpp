// The delete run against a model POP3 server whose mailboxes change between the check and the
// delete (messages taken away, added, swapped, so renumbered), with the date format changed
// meanwhile, and a connection dropped at any command, QUIT included. Messages are made of few
// parts so that many look alike. Whatever happens:
//  - every message a server deleted had a ticked row of the same identity, and no identity lost
//    more messages than it had ticked rows;
//  - the list drops no row whose message the server still holds.
#include "pop3/MailChecker.h"

#include <QCoreApplication>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>

using namespace mervantic;

namespace {

struct Message {
    QByteArray from;
    QByteArray subject;
    QByteArray date;
    QByteArray id;
    int serial = 0;

    QByteArray text() const {
        QByteArray text = "From: " + from + "\r\nSubject: " + subject + "\r\n";
        if (!date.isEmpty())
            text += "Date: " + date + "\r\n";
        if (!id.isEmpty())
            text += "Message-ID: " + id + "\r\n";
        return text + "X-Serial: " + QByteArray::number(serial) + "\r\n\r\nbody\r\n";
    }
    MessageDigest digest() const {
        return MessageDigest::of(QString::fromLatin1(from), QString::fromLatin1(subject),
                                 QString::fromLatin1(date), QString::fromLatin1(id));
    }
};

// Reads the fuzz input a byte at a time; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size) {}
    std::uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

Message messageFrom(std::uint8_t bits, int serial) {
    static const std::array<QByteArray, 3> dates = {"Mon, 4 Jan 2003 10:00:00 +0000",
                                                    "Mon, 4 Jan 2003 10:00:59 +0000", ""};
    static const std::array<QByteArray, 3> ids = {"", "<1@x>", "<2@x>"};
    return {(bits & 1) != 0 ? "a@x" : "b@x", (bits & 2) != 0 ? "s" : "t",
            dates[static_cast<std::size_t>((bits >> 2) & 3) % 3],
            ids[static_cast<std::size_t>((bits >> 4) & 3) % 3], serial};
}

// What a drop does: the server closes or resets at a command; at QUIT it may first delete what
// it was asked to (and the program never hears that it did).
enum class Drop { None, Close, Reset, CommitThenClose };

// Two POP3 mailboxes, on ports 110 and 111, spoken to one connection at a time.
class ModelServer final : public Socket {
public:
    std::map<int, std::vector<Message>> boxes;
    // Serials of the messages each mailbox deleted.
    std::map<int, std::vector<Message>> deleted;
    // The command (counted over the whole delete run, from 1) at which the connection drops.
    int dropAt = 0;
    Drop drop = Drop::None;
    int commands = 0;

    bool connectToServer(const QString&, int port, Encryption) override {
        m_port = port;
        m_state = State::Connecting;
        m_marked.clear();
        m_session.clear();
        ++m_connection;
        later([this] {
            m_state = State::Connected;
            Q_EMIT connected();
            reply("+OK ready\r\n");
        });
        return true;
    }
    void send(const QByteArray& bytes) override {
        m_pending.append(bytes);
        qsizetype end;
        while ((end = m_pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 2);
            answer(line);
        }
    }
    QByteArray readAll() override { return std::exchange(m_buffer, {}); }
    qint64 bytesAvailable() const override { return m_buffer.size(); }
    void close() override {
        m_state = State::Closed;
        m_buffer.clear();
        m_pending.clear();
        ++m_connection;
    }
    State state() const override { return m_state; }
    QString peerAddress() const override { return QStringLiteral("127.0.0.1"); }

private:
    void later(std::function<void()> action) {
        const quint64 connection = m_connection;
        QMetaObject::invokeMethod(
            this,
            [this, connection, action = std::move(action)] {
                if (connection == m_connection)
                    action();
            },
            Qt::QueuedConnection);
    }
    void reply(const QByteArray& text) {
        later([this, text] {
            if (m_state != State::Connected)
                return;
            m_buffer.append(text);
            Q_EMIT dataArrived();
        });
    }
    void commit() {
        std::vector<Message>& box = boxes[m_port];
        for (const int number : m_marked) {
            const Message& gone = m_session[static_cast<std::size_t>(number - 1)];
            deleted[m_port].push_back(gone);
            std::erase_if(box, [&](const Message& m) { return m.serial == gone.serial; });
        }
        m_marked.clear();
    }
    void answer(const QByteArray& line) {
        ++commands;
        if (commands == dropAt && drop != Drop::None) {
            if (drop == Drop::CommitThenClose && line == "QUIT")
                commit();
            const bool reset = drop == Drop::Reset;
            later([this, reset] {
                m_state = State::Closed;
                if (reset)
                    Q_EMIT failed(Failure::Reset, QStringLiteral("reset"));
                else
                    Q_EMIT closedByPeer();
            });
            return;
        }
        const QList<QByteArray> words = line.split(' ');
        const QByteArray command = words.value(0);
        const int number = words.value(1).toInt();
        const bool valid = number >= 1 && number <= static_cast<int>(m_session.size()) &&
                           std::find(m_marked.begin(), m_marked.end(), number) == m_marked.end();
        if (command == "USER") {
            reply("+OK\r\n");
        } else if (command == "PASS") {
            m_session = boxes[m_port]; // the maildrop as it is now, numbered from 1
            reply("+OK logged in\r\n");
        } else if (command == "STAT") {
            reply("+OK " + QByteArray::number(static_cast<int>(m_session.size())) + " 100\r\n");
        } else if (command == "TOP" || command == "RETR") {
            reply(valid
                      ? "+OK\r\n" + m_session[static_cast<std::size_t>(number - 1)].text() + ".\r\n"
                      : QByteArray("-ERR no such message\r\n"));
        } else if (command == "DELE") {
            if (valid)
                m_marked.push_back(number);
            reply(valid ? QByteArray("+OK\r\n") : QByteArray("-ERR no such message\r\n"));
        } else if (command == "QUIT") {
            commit();
            reply("+OK bye\r\n");
        } else {
            reply("-ERR unknown\r\n");
        }
    }

    int m_port = 0;
    std::vector<Message> m_session;
    std::vector<int> m_marked;
    QByteArray m_buffer;
    QByteArray m_pending;
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

class QuietView final : public RunView {
public:
    void logBeginRun(const QString&) override {}
    void logAppend(const QString&) override {}
    void logEndRun() override {}
    void showStatus(const QString&) override {}
    void runPhaseChanged(RunPhase, bool) override {}
    void selectMailPage() override {}
    void setCaption(const QString&) override {}
    void showMessage(const QString&) override {}
    void askYesNo(const Question&, std::function<void(bool)> answered) override { answered(true); }
    void showRawBlock(QByteArrayView) override {}
};

void runToTheEnd(MailChecker& checker, Clock0& clock) {
    for (int round = 0; round < 20000 && checker.phase() != RunPhase::Idle; ++round) {
        QCoreApplication::processEvents();
        if (round % 1000 == 999) {
            clock.ticks += 30000;
            checker.connection().timeoutTick();
        }
    }
    if (checker.phase() != RunPhase::Idle)
        std::abort(); // a run that never ends
}

using Identity = std::pair<int, QByteArray>;

Identity identityOf(int port, const MessageDigest& digest) {
    return {port,
            QByteArray(reinterpret_cast<const char*>(digest.bytes.data()), digest.bytes.size())};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    ModelServer server;
    int serial = 0;
    for (const int port : {110, 111}) {
        const int count = in.next() % 8;
        for (int n = 0; n < count; ++n)
            server.boxes[port].push_back(messageFrom(in.next(), ++serial));
    }

    Clock0 clock;
    Online online;
    Silent beeper;
    QuietView view;
    Options options;
    options.deleteEnabled = true;
    options.useRetr = (in.next() & 1) != 0;
    options.dateFormat = 1 + in.next() % 5;
    options.serverTimeoutMs = 5000;
    AccountList accounts;
    for (const int port : {110, 111})
        accounts.append({QStringLiteral("Box"), QStringLiteral("alice"), QStringLiteral("pop"),
                         QString::number(port), QStringLiteral("K%1Psecret").arg(port), false});
    MailList mail;
    ConnectionSettings connections;
    MailChecker checker(server, clock, online, beeper, view, options, accounts, mail, connections);
    checker.connection().setSettleWaitMs(0);
    checker.connection().setCloseWaitMs(0);
    checker.connection().setTimeoutTickInterval(1000000);
    checker.checkMailButton();
    runToTheEnd(checker, clock);

    // Ticks, then what changes before the delete run.
    mail.setDeleteFunctionsEnabled(true);
    for (int row = 1; row <= mail.count(); ++row) {
        if ((in.next() & 1) != 0)
            mail.checkItem(row);
    }
    std::map<Identity, int> tickedRows;
    for (const MailItem& item : mail.rows()) {
        if (item.isMessage() && item.checked)
            ++tickedRows[identityOf(item.port().toInt(), item.digest)];
    }
    const int changes = in.next() % 6;
    for (int c = 0; c < changes; ++c) {
        std::vector<Message>& box = server.boxes[(in.next() & 1) != 0 ? 111 : 110];
        const std::uint8_t what = in.next();
        const std::size_t at = box.empty() ? 0 : in.next() % box.size();
        switch (what % 3) {
        case 0: // another client deletes one
            if (!box.empty())
                box.erase(box.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        case 1: // a message arrives, perhaps one like a ticked one
            box.insert(box.begin() + static_cast<std::ptrdiff_t>(at),
                       messageFrom(in.next(), ++serial));
            break;
        case 2: // the server renumbers
            if (box.size() > 1)
                std::swap(box[at], box[(at + 1) % box.size()]);
            break;
        }
    }
    options.dateFormat = 1 + in.next() % 5;
    server.dropAt = in.next() % 24;
    server.drop = static_cast<Drop>(in.next() % 4);
    server.commands = 0;

    std::map<Identity, int> rowsBefore;
    for (const MailItem& item : mail.rows()) {
        if (item.isMessage())
            ++rowsBefore[identityOf(item.port().toInt(), item.digest)];
    }

    checker.deleteMailButton();
    runToTheEnd(checker, clock);

    // Every deletion had a ticked row of its identity, and none lost more than were ticked.
    std::map<Identity, int> deleted;
    for (const auto& [port, gone] : server.deleted)
        for (const Message& m : gone)
            ++deleted[identityOf(port, m.digest())];
    for (const auto& [identity, count] : deleted) {
        if (count > tickedRows[identity])
            std::abort();
    }
    // A row left the list only for a message its server deleted.
    std::map<Identity, int> rowsAfter;
    for (const MailItem& item : mail.rows()) {
        if (item.isMessage())
            ++rowsAfter[identityOf(item.port().toInt(), item.digest)];
    }
    for (const auto& [identity, count] : rowsBefore) {
        const int dropped = count - rowsAfter[identity];
        if (dropped > deleted[identity])
            std::abort();
    }
    return 0;
}
