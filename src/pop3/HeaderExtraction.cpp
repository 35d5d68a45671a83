#include "pop3/HeaderExtraction.h"

#include "mail/DateNormaliser.h"
#include "pop3/HeaderText.h"

#include <vector>

namespace mervantic {

namespace {

QByteArrayView trimBlanks(QByteArrayView text) {
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

// Header names are compared in any letter case; the four wanted are plain ASCII.
constexpr qsizetype kLongestField = 998;

bool isName(QByteArrayView name, QByteArrayView wanted) {
    return name.size() == wanted.size() && qstrnicmp(name.data(), wanted.data(), name.size()) == 0;
}

} // namespace

std::optional<MessageHeaders> extractHeaders(QByteArrayView message, bool cut) {
    // The header lines up to the first empty one.
    std::vector<QByteArrayView> lines;
    bool ended = false;
    qsizetype start = 0;
    while (start < message.size()) {
        qsizetype end = message.indexOf('\n', start);
        if (end < 0) {
            // A last line without its end: a header only when the message was cut.
            lines.push_back(message.sliced(start));
            break;
        }
        QByteArrayView line = message.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty()) {
            ended = true;
            break;
        }
        lines.push_back(line);
    }
    if (!ended && !cut)
        return std::nullopt;

    MessageHeaders headers;
    headers.wholeBlock = ended;
    for (const QByteArrayView line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView name = line.first(colon);
        // A field longer than a header line may be (RFC 5322: 998 characters) is cut there, so
        // that no server can make the rows of the list grow without end.
        QByteArrayView value = trimBlanks(line.sliced(colon + 1));
        value.truncate(std::min(value.size(), kLongestField));
        // Sender and subject are read as a person should see them; the date and the message id
        // stay as sent.
        if (isName(name, "from"))
            headers.from = decodeHeaderText(value);
        else if (isName(name, "subject"))
            headers.subject = decodeHeaderText(value);
        else if (isName(name, "date"))
            headers.date = QString::fromLatin1(value);
        else if (isName(name, "message-id"))
            headers.messageId = QString::fromLatin1(value);
    }
    return headers;
}

HeaderExtraction::HeaderExtraction(Context context)
    : m_context(context) {}

void HeaderExtraction::processMessageHeaders(const ReadMessage& message) {
    m_context.log.view().showRawBlock(message.text);
    const std::optional<MessageHeaders> headers = extractHeaders(message.text, message.cut);
    if (!headers)
        return;
    // A header block longer than what is kept of a message is listed with what was read.
    if (!headers->wholeBlock)
        m_context.log.logAndShow(
            QStringLiteral("..Message %1: Header Block Over 1 MB, Listed As Far As It Was Read")
                .arg(message.number));

    const SessionState& session = m_context.session;
    const int format = m_context.options.dateFormat;
    const QString dateShown =
        format < RegionalShort ? headers->date : normaliseDate(headers->date, format);
    m_context.mail.addMessageRow(session.displayName, session.username, session.password,
                                 headers->from, headers->subject, dateShown, session.server,
                                 session.port, headers->messageId, headers->date);
}

} // namespace mervantic
