#include "pop3/Conversation.h"

#include "pop3/Apop.h"
#include "pop3/ByteSearch.h"
#include "pop3/ConnectionControl.h"
#include "pop3/HeaderExtraction.h"

namespace mervantic {

namespace {

constexpr int kChopAt = 242;

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

QString replyLine(const QByteArray& reply) {
    if (reply.size() <= 2)
        return {};
    return QString::fromLatin1(reply.chopped(2));
}

Conversation::Conversation(RunContext& context, ConnectionControl& connection,
                           HeaderExtraction& headers)
    : m_context(context)
    , m_connection(connection)
    , m_headers(headers) {}

void Conversation::reset() {
    m_line.clear();
    m_reply.clear();
}

void Conversation::onDataArrived() {
    Socket& socket = m_context.socket;
    SessionState& session = m_context.session;
    if (socket.state() != Socket::State::Connected) {
        // Data of a connection that is no longer up counts as a reply of blanks.
        const QByteArray blanks(socket.bytesAvailable(), ' ');
        if (!blanks.isEmpty() && session.step != 4)
            judge(blanks);
        return;
    }
    session.lastDataTick = m_context.clock.tickCount();
    QByteArray text = socket.readAll();
    if (text.isEmpty())
        return;
    if (session.step == 4) {
        collectMessage(std::move(text));
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
    if (reply.startsWith('+'))
        onPositive(reply);
    else if (reply.startsWith("-ERR"))
        onNegative(reply);
    else
        m_connection.closeAndAdvance();
}

void Conversation::onNegative(const QByteArray& reply) {
    QString prefix;
    if (m_context.session.step == 1)
        prefix = QStringLiteral("Username Logon Error: ");
    else if (m_context.session.step == 2)
        prefix = QStringLiteral("Password Logon Error: ");
    QByteArray text = reply;
    if (text.size() > kChopAt)
        text = "Chopped To 240 Chrs: " + text.first(kChopAt);
    m_context.logAndShow(prefix + replyLine(text));
    m_connection.closeAndAdvance();
}

void Conversation::onPositive(const QByteArray& reply) {
    SessionState& session = m_context.session;
    switch (session.step) {
    case 0:
        m_connection.startTimeoutTicks();
        session.messageCount = 0;
        session.messageNumber = 0;
        m_reply.clear();
        m_context.logAndShow(replyLine(reply));
        if (m_context.options.useApop)
            apopLogon(QString::fromLatin1(reply));
        else
            send(1, QStringLiteral("USER ") + session.username);
        break;
    case 1:
        send(2, QStringLiteral("PASS ") + session.password);
        break;
    case 2:
    case 8:
        m_context.logAndShow(replyLine(reply));
        send(3, QStringLiteral("STAT"));
        break;
    case 3:
        onStat(reply);
        break;
    case 5:
        m_context.logAndShow(replyLine(reply));
        m_connection.closeAndAdvance();
        break;
    case 7:
        if (m_context.options.deleteEnabled) {
            m_context.logAndShow(replyLine(reply));
            m_connection.closeAndAdvance();
        }
        break;
    default:
        break;
    }
}

void Conversation::onStat(const QByteArray& reply) {
    SessionState& session = m_context.session;
    m_context.logAndShow(session.deleteRunActive
                             ? QStringLiteral("..Checking For Delete Mail Items On Server")
                             : QStringLiteral("..Checking For Mail"));
    const std::optional<std::int32_t> count = statCount(reply);
    if (!count) {
        // A count that is not a number is treated like a refusal.
        onNegative(reply);
        return;
    }
    session.messageCount = *count;
    if (*count > 0) {
        session.messageNumber = 1;
        requestMessage();
        return;
    }
    if (!(session.deleteRunActive && m_context.options.deleteEnabled)) {
        ++m_context.checkRun.noMailRows;
        m_context.mail.addNoMailRow(session.displayName, session.username);
    }
    sendQuit();
}

void Conversation::collectMessage(QByteArray piece) {
    SessionState& session = m_context.session;
    if (m_reply.isEmpty())
        m_connection.setReplyStartTick(session.lastDataTick);
    m_reply.appendTaking(std::move(piece));
    if (!m_reply.statusLineComplete())
        return;
    if (m_reply.startsWith("-ERR")) {
        m_reply.clear();
        m_connection.setReplyStartTick(std::nullopt);
        if (m_context.options.useRetr) {
            m_context.view.logAppend(QString());
            m_context.view.showStatus(QString());
        } else {
            m_context.logAndShow(QStringLiteral("Error Using -TOP- Command"));
        }
        sendQuit();
        return;
    }
    if (!m_reply.isComplete())
        return;

    m_connection.setReplyStartTick(std::nullopt);
    if (session.haltRequest) {
        m_reply.clear();
        m_context.mail.setEnabled(true);
        m_context.mail.removeAll();
        sendQuit();
        return;
    }
    m_headers.processMessageHeaders(m_reply.body(), session.messageNumber);
    m_reply.clear();
    if (m_context.options.deleteEnabled && (session.step == 6 || session.step == 7))
        return;
    if (session.messageNumber >= session.messageCount) {
        sendQuit();
        return;
    }
    if (m_context.mail.isFull()) {
        // The rest of the mailbox would not fit in the memory the list may take.
        m_context.logAndShow(
            QStringLiteral("..Mail List Full: The Remaining Messages Are Not Listed"));
        sendQuit();
        return;
    }
    ++session.messageNumber;
    requestMessage();
}

void Conversation::apopLogon(const QString& greeting) {
    const SessionState& session = m_context.session;
    const QString secret =
        m_context.options.passwordsAsSecrets ? session.password : m_context.options.apopSecret;
    QString reason = QStringLiteral("- No Shared Secret");
    if (!secret.isEmpty()) {
        reason = QStringLiteral("- No Server TimeStamp");
        if (const auto timestamp = Apop::timestamp(greeting)) {
            send(8, QStringLiteral("APOP ") + session.username + QLatin1Char(' ') +
                        Apop::digest(*timestamp, secret));
            return;
        }
    }
    sendQuit();
    m_context.logAndShow(QStringLiteral("APOP Logon Error ") + reason);
}

void Conversation::requestMessage() {
    QByteArray command = m_context.options.useRetr ? QByteArray("RETR ") : QByteArray("TOP ");
    command.append(QByteArray::number(m_context.session.messageNumber));
    if (!m_context.options.useRetr)
        command.append(" 2");
    send(4, std::move(command));
}

void Conversation::sendQuit() {
    send(5, QStringLiteral("QUIT"));
}

void Conversation::send(int nextStep, const QString& command) {
    send(nextStep, command.toLatin1());
}

void Conversation::send(int nextStep, QByteArray command) {
    m_context.session.step = nextStep;
    m_context.socket.send(command.append("\r\n"));
}

} // namespace mervantic
