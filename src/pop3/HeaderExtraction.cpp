#include "pop3/HeaderExtraction.h"

#include "mail/DateNormaliser.h"

namespace mervantic {

namespace {

QStringView trimBlanks(QStringView text) {
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
}

} // namespace

std::optional<MessageHeaders> extractHeaders(const QString& message) {
    const qsizetype blankLine = message.indexOf(QStringLiteral("\r\n\r\n"));
    if (blankLine < 0)
        return std::nullopt;

    MessageHeaders headers;
    const QStringView block = QStringView(message).first(blankLine);
    for (const QStringView line : block.tokenize(QStringLiteral("\r\n"))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QStringView name = line.first(colon);
        QString* field = nullptr;
        if (name.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0)
            field = &headers.from;
        else if (name.compare(QLatin1String("subject"), Qt::CaseInsensitive) == 0)
            field = &headers.subject;
        else if (name.compare(QLatin1String("date"), Qt::CaseInsensitive) == 0)
            field = &headers.date;
        else if (name.compare(QLatin1String("message-id"), Qt::CaseInsensitive) == 0)
            field = &headers.messageId;
        if (field != nullptr)
            *field = trimBlanks(line.sliced(colon + 1)).toString();
    }
    return headers;
}

HeaderExtraction::HeaderExtraction(RunContext& context)
    : m_context(context) {}

void HeaderExtraction::processMessageHeaders(const QString& message, std::int32_t messageNumber) {
    Q_UNUSED(messageNumber);
    m_context.view.showRawBlock(message);
    const std::optional<MessageHeaders> headers = extractHeaders(message);
    if (!headers)
        return;

    const SessionState& session = m_context.session;
    if (!session.deleteRunActive) {
        const int format = m_context.options.dateFormat;
        const QString dateShown =
            format < RegionalShort ? headers->date : normaliseDate(headers->date, format);
        m_context.mail.addMessageRow(session.displayName, session.username, session.password,
                                     headers->from, headers->subject, dateShown, session.server,
                                     session.port, headers->messageId);
        return;
    }
    // The delete run matches the message against the rows ticked for deletion; that matching
    // is added with the delete run.
}

} // namespace mervantic
