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

} // namespace mervantic
