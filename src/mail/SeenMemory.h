#pragma once

#include "mail/MailItem.h"
#include "mail/MessageIdentity.h"

#include <QByteArray>
#include <QHash>

#include <optional>

namespace mervantic {

// What the program knows of the messages of each mailbox: seen or new, as the user last saw
// them in the list. It outlives the list (a cancelled check, a failed account) and the program
// (it is kept in a file), so that mail once seen stays seen. Identical messages of a mailbox are
// one entry: the first of them in the list decides, as a look in the previous list would.
class SeenMemory {
public:
    SeenMemory() = default;
    // Moved, never copied: the mailbox kept at hand points into this memory's own table.
    SeenMemory(SeenMemory&& other) noexcept;
    SeenMemory& operator=(SeenMemory&& other) noexcept;
    SeenMemory(const SeenMemory&) = delete;
    SeenMemory& operator=(const SeenMemory&) = delete;

    // Seen or New as remembered; New for a message never met.
    MailIcon lookup(const MailboxId& mailbox, const MessageDigest& digest) const;
    // Sets what is known of one message.
    void remember(const MailboxId& mailbox, const MessageDigest& digest, MailIcon icon);
    // Forgets everything of the mailbox; what it holds now is remembered after this.
    void forgetMailbox(const MailboxId& mailbox);
    // An account's user name, server or port changed: what was known of the old mailbox is now
    // known of the new one, in place of whatever that held.
    void moveMailbox(const MailboxId& from, const MailboxId& to);
    void clear();

    qsizetype mailboxCount() const { return m_mailboxes.size(); }
    qsizetype messageCount() const;
    // What it holds in memory, as MailItem::cost counts the rows.
    qsizetype cost() const { return m_cost; }

    // The stored form. A form that is damaged in any way, or larger than the limit, reads as
    // nothing through fromBytes; read() gives what could be read before the damage, and why.
    QByteArray toBytes() const;
    static std::optional<SeenMemory> fromBytes(QByteArrayView bytes);
    struct Read;
    static Read read(QByteArrayView bytes);
    static constexpr qsizetype kLargestFile = qsizetype{64} * 1024 * 1024;

private:
    using Box = QHash<MessageDigest, MailIcon>;
    // The box of the mailbox, made when missing. The last one is kept at hand: the messages of
    // one mailbox come one after the other.
    Box& box(const MailboxId& mailbox);

    QHash<MailboxId, Box> m_mailboxes;
    qsizetype m_cost = 0;
    MailboxId m_lastMailbox;
    Box* m_lastBox = nullptr;
};

// What a stored form held: the whole memory, or, when `damage` says why the form is damaged,
// the entries that came before the damage.
struct SeenMemory::Read {
    SeenMemory memory;
    QString damage;
};

} // namespace mervantic
