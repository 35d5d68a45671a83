#include "mail/MailItem.h"

namespace mervantic {

MailItem::MailItem(const std::array<QStringView, kFieldCount>& fields) {
    qsizetype size = 0;
    for (const QStringView field : fields)
        size += field.size();
    m_text.reserve(size);
    for (int i = 0; i < kFieldCount; ++i) {
        m_bounds[static_cast<std::size_t>(i)] = static_cast<qint32>(m_text.size());
        m_text.append(fields[static_cast<std::size_t>(i)]);
    }
    m_bounds[kFieldCount] = static_cast<qint32>(m_text.size());
}

void MailItem::setAccount(const QString& displayName, const MailboxId& mailbox) {
    std::array<QString, kFieldCount> texts;
    for (int i = 0; i < kFieldCount; ++i)
        texts[static_cast<std::size_t>(i)] = field(static_cast<Field>(i)).toString();
    texts[DisplayName] = displayName;
    texts[Username] = mailbox.username;
    texts[Server] = mailbox.server;
    texts[Port] = mailbox.port;
    std::array<QStringView, kFieldCount> views;
    for (std::size_t i = 0; i < views.size(); ++i)
        views[i] = texts[i];
    const MailItem rebuilt(views);
    m_text = rebuilt.m_text;
    m_bounds = rebuilt.m_bounds;
}

} // namespace mervantic
