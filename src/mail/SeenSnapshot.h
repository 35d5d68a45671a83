#pragma once

#include "mail/MailItem.h"

#include <QString>

#include <vector>

namespace mervantic {

// A message as the new/seen decision sees it: its seven identity fields (user name, From,
// Subject, Date Sent, server, port, Message_ID) run together, and the length of each.
struct MessageIdentity {
    QString text;
    MailItem::Lengths lengths{};

    // The identity of a message with these fields, in the mail list's column order.
    static MessageIdentity of(const std::array<QStringView, MailItem::kIdentityFields>& fields);
    static size_t hash(QStringView text, const MailItem::Lengths& lengths);
    size_t hash() const { return hash(text, lengths); }
};

// The seen/new state of every message of the list as it stood when a check began. A message
// of the check is seen when the first entry equal to it in all seven fields was seen.
//
// The entries keep the rows' own texts, in list order; the index holds only their positions
// with a part of their hashes. A re-check meets the messages in the same order and so walks the
// entries front to back: the lookup costs the same per message for a hundred messages as for a
// hundred thousand.
class SeenSnapshot {
public:
    void clear();
    void reserve(qsizetype count);
    // Takes a row that is about to go; ignored when an equal entry is held already (the first
    // one decides).
    void add(MailItem& row);
    // Seen or New as the first equal entry says; New when there is none.
    MailIcon lookup(QStringView identityText, const MailItem::Lengths& lengths, size_t hash) const;
    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }
    // What the snapshot holds in memory, as MailItem::cost counts it.
    qsizetype cost() const {
        return m_cost + static_cast<qsizetype>(m_slots.size() * sizeof(Slot));
    }

private:
    struct Entry {
        size_t hash;
        QString text;
        qint32 identityStart;
        MailItem::Lengths lengths;
        MailIcon icon;
        QStringView identityText() const { return QStringView(text).sliced(identityStart); }
    };
    // Open addressing with linear probing. A slot holds an entry's position (-1 when empty)
    // and part of its hash, so that a probe past other entries does not touch them.
    struct Slot {
        qint32 position = -1;
        quint32 tag = 0;
    };
    static quint32 tagOf(size_t hash) { return static_cast<quint32>(hash >> 32) | 1u; }

    // The slot of the entry equal to the identity, or the empty slot where it would go.
    std::size_t findSlot(QStringView identityText, const MailItem::Lengths& lengths,
                         size_t hash) const;
    void rebuildIndex(std::size_t slotCount);

    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;
    qsizetype m_cost = 0;
};

} // namespace mervantic
