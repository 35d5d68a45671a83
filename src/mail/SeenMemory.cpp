#include "mail/SeenMemory.h"

#include <QtEndian>

namespace mervantic {

namespace {

// "MERVSEEN", a version, the mailboxes; each its three names and its messages (digest, icon).
constexpr QByteArrayView kMagic("MERVSEEN");
constexpr quint32 kVersion = 1;
constexpr qsizetype kEntryBytes = 17;
// A mailbox's names are a user name, a server name and a port: never this long.
constexpr quint32 kLongestName = 4096;
// What an entry costs: its digest and icon, and its share of the table that finds it.
constexpr qsizetype kEntryCost = 48;

class Writer {
public:
    void u32(quint32 value) {
        value = qToLittleEndian(value);
        m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void text(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        u32(static_cast<quint32>(utf8.size()));
        m_bytes.append(utf8);
    }
    void raw(QByteArrayView bytes) { m_bytes.append(bytes); }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

class Reader {
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes) {}
    bool u32(quint32& value) {
        if (remaining() < 4)
            return false;
        value = qFromLittleEndian<quint32>(m_bytes.data() + m_at);
        m_at += 4;
        return true;
    }
    bool text(QString& text) {
        quint32 length = 0;
        if (!u32(length) || length > kLongestName || length > remaining())
            return false;
        text = QString::fromUtf8(m_bytes.sliced(m_at, length));
        m_at += length;
        return true;
    }
    bool raw(qsizetype size, QByteArrayView& bytes) {
        if (size > remaining())
            return false;
        bytes = m_bytes.sliced(m_at, size);
        m_at += size;
        return true;
    }
    qsizetype remaining() const { return m_bytes.size() - m_at; }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

} // namespace

MailIcon SeenMemory::lookup(const MailboxId& mailbox, const MessageDigest& digest) const {
    const auto box = m_mailboxes.constFind(mailbox);
    if (box == m_mailboxes.cend())
        return MailIcon::New;
    return box->value(digest, MailIcon::New);
}

SeenMemory::SeenMemory(SeenMemory&& other) noexcept
    : m_mailboxes(std::move(other.m_mailboxes))
    , m_cost(std::exchange(other.m_cost, 0)) {
    other.m_lastBox = nullptr;
}

SeenMemory& SeenMemory::operator=(SeenMemory&& other) noexcept {
    m_mailboxes = std::move(other.m_mailboxes);
    m_cost = std::exchange(other.m_cost, 0);
    m_lastBox = nullptr;
    other.m_mailboxes.clear();
    other.m_lastBox = nullptr;
    return *this;
}

SeenMemory::Box& SeenMemory::box(const MailboxId& mailbox) {
    if (m_lastBox != nullptr && m_lastMailbox == mailbox)
        return *m_lastBox;
    // A new mailbox may move the others: nothing is kept at hand across it.
    m_lastBox = &m_mailboxes[mailbox];
    m_lastMailbox = mailbox;
    return *m_lastBox;
}

void SeenMemory::remember(const MailboxId& mailbox, const MessageDigest& digest, MailIcon icon) {
    Box& messages = box(mailbox);
    const qsizetype before = messages.size();
    messages.insert(digest, icon);
    m_cost += (messages.size() - before) * kEntryCost;
}

void SeenMemory::forgetMailbox(const MailboxId& mailbox) {
    const auto found = m_mailboxes.find(mailbox);
    if (found == m_mailboxes.end())
        return;
    m_cost -= found->size() * kEntryCost;
    m_mailboxes.erase(found);
    m_lastBox = nullptr;
}

void SeenMemory::moveMailbox(const MailboxId& from, const MailboxId& to) {
    const auto found = m_mailboxes.find(from);
    if (from == to || found == m_mailboxes.end())
        return;
    Box messages = std::move(*found);
    m_mailboxes.erase(found);
    forgetMailbox(to);
    m_mailboxes.insert(to, std::move(messages));
    m_lastBox = nullptr;
}

void SeenMemory::clear() {
    m_mailboxes.clear();
    m_cost = 0;
    m_lastBox = nullptr;
}

qsizetype SeenMemory::messageCount() const {
    qsizetype count = 0;
    for (const auto& box : m_mailboxes)
        count += box.size();
    return count;
}

QByteArray SeenMemory::toBytes() const {
    Writer out;
    out.raw(kMagic);
    out.u32(kVersion);
    out.u32(static_cast<quint32>(m_mailboxes.size()));
    for (auto box = m_mailboxes.cbegin(); box != m_mailboxes.cend(); ++box) {
        out.text(box.key().username);
        out.text(box.key().server);
        out.text(box.key().port);
        out.u32(static_cast<quint32>(box->size()));
        for (auto entry = box->cbegin(); entry != box->cend(); ++entry) {
            out.raw(QByteArrayView(reinterpret_cast<const char*>(entry.key().bytes.data()),
                                   qsizetype{16}));
            const char icon = static_cast<char>(entry.value());
            out.raw(QByteArrayView(&icon, 1));
        }
    }
    return out.take();
}

std::optional<SeenMemory> SeenMemory::fromBytes(QByteArrayView bytes) {
    Read read = SeenMemory::read(bytes);
    if (!read.damage.isEmpty())
        return std::nullopt;
    return std::move(read.memory);
}

SeenMemory::Read SeenMemory::read(QByteArrayView bytes) {
    Read result;
    SeenMemory& memory = result.memory;
    if (bytes.size() > kLargestFile) {
        result.damage = QStringLiteral("it is larger than %1 MB").arg(kLargestFile / 1024 / 1024);
        return result;
    }
    if (!bytes.startsWith(kMagic)) {
        result.damage = QStringLiteral("it is not a seen-mail file");
        return result;
    }
    Reader in(bytes.sliced(kMagic.size()));
    quint32 version = 0;
    quint32 mailboxes = 0;
    if (!in.u32(version) || version != kVersion || !in.u32(mailboxes)) {
        result.damage = QStringLiteral("it is not a seen-mail file of this version");
        return result;
    }
    const QString cutShort = QStringLiteral("it is cut short");
    for (quint32 i = 0; i < mailboxes && result.damage.isEmpty(); ++i) {
        MailboxId mailbox;
        quint32 count = 0;
        if (!in.text(mailbox.username) || !in.text(mailbox.server) || !in.text(mailbox.port) ||
            !in.u32(count)) {
            result.damage = cutShort;
            break;
        }
        // The entries that are there are read, up to where the file was cut.
        qint64 whole = count;
        if (qint64{count} * kEntryBytes > in.remaining()) {
            whole = in.remaining() / kEntryBytes;
            result.damage = cutShort;
        }
        QHash<MessageDigest, MailIcon>& box = memory.m_mailboxes[mailbox];
        box.reserve(static_cast<qsizetype>(whole));
        for (qint64 n = 0; n < whole; ++n) {
            QByteArrayView entry;
            in.raw(kEntryBytes, entry);
            const auto icon = static_cast<MailIcon>(entry[16]);
            if (icon != MailIcon::Seen && icon != MailIcon::New) {
                result.damage = QStringLiteral("an entry of it is damaged");
                break;
            }
            MessageDigest digest;
            std::memcpy(digest.bytes.data(), entry.data(), digest.bytes.size());
            box.insert(digest, icon);
        }
    }
    if (result.damage.isEmpty() && in.remaining() != 0)
        result.damage = QStringLiteral("it holds bytes past its end (%1)").arg(in.remaining());
    memory.m_cost = memory.messageCount() * kEntryCost;
    return result;
}

} // namespace mervantic
