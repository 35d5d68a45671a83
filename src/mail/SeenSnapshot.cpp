#include "mail/SeenSnapshot.h"

#include <QHashFunctions>

#include <bit>

namespace mervantic {

MessageIdentity
MessageIdentity::of(const std::array<QStringView, MailItem::kIdentityFields>& fields) {
    MessageIdentity identity;
    qsizetype size = 0;
    for (const QStringView field : fields)
        size += field.size();
    identity.text.reserve(size);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        identity.text.append(fields[i]);
        identity.lengths[i] = static_cast<qint32>(fields[i].size());
    }
    return identity;
}

size_t MessageIdentity::hash(QStringView text, const MailItem::Lengths& lengths) {
    size_t seed = qHash(text);
    for (const qint32 length : lengths)
        seed = QtPrivate::QHashCombine{}(seed, length);
    return seed;
}

void SeenSnapshot::clear() {
    m_entries.clear();
    m_cost = 0;
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
}

void SeenSnapshot::reserve(qsizetype count) {
    m_entries.reserve(static_cast<std::size_t>(count));
    // At most half full, so that probes stay short.
    const std::size_t slots =
        std::bit_ceil(static_cast<std::size_t>(std::max<qsizetype>(count, 8)) * 2);
    if (slots > m_slots.size())
        rebuildIndex(slots);
}

void SeenSnapshot::rebuildIndex(std::size_t slotCount) {
    m_slots.assign(slotCount, Slot{});
    const std::size_t mask = slotCount - 1;
    for (std::size_t position = 0; position < m_entries.size(); ++position) {
        const size_t hash = m_entries[position].hash;
        std::size_t slot = hash & mask;
        while (m_slots[slot].position >= 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = {static_cast<qint32>(position), tagOf(hash)};
    }
}

std::size_t SeenSnapshot::findSlot(QStringView identityText, const MailItem::Lengths& lengths,
                                   size_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    const quint32 tag = tagOf(hash);
    std::size_t slot = hash & mask;
    while (m_slots[slot].position >= 0) {
        if (m_slots[slot].tag == tag) {
            const Entry& entry = m_entries[static_cast<std::size_t>(m_slots[slot].position)];
            if (entry.hash == hash && entry.lengths == lengths &&
                entry.identityText() == identityText)
                return slot;
        }
        slot = (slot + 1) & mask;
    }
    return slot;
}

void SeenSnapshot::add(MailItem& row) {
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        rebuildIndex(std::max<std::size_t>(16, m_slots.size() * 2));
    const MailItem::Lengths lengths = row.identityLengths();
    const std::size_t slot = findSlot(row.identityText(), lengths, row.identityHash);
    if (m_slots[slot].position >= 0)
        return;
    m_slots[slot] = {static_cast<qint32>(m_entries.size()), tagOf(row.identityHash)};
    const qint32 start = row.identityStart();
    m_entries.push_back({row.identityHash, row.takeText(), start, lengths, row.icon});
    m_cost += qsizetype{sizeof(Entry)} + MailItem::kAllocationOverhead +
              m_entries.back().text.size() * qsizetype{sizeof(QChar)};
}

MailIcon SeenSnapshot::lookup(QStringView identityText, const MailItem::Lengths& lengths,
                              size_t hash) const {
    if (m_entries.empty())
        return MailIcon::New;
    const std::size_t slot = findSlot(identityText, lengths, hash);
    if (m_slots[slot].position < 0)
        return MailIcon::New;
    return m_entries[static_cast<std::size_t>(m_slots[slot].position)].icon;
}

} // namespace mervantic
