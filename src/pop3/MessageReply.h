#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace mervantic {

// Collects one multi-line reply (to TOP or RETR) as its pieces arrive, in bounded memory.
// The reply ends at the first LF "." CR LF. Only the first `keepLimit` bytes are kept, which is
// far more than any header block; the rest is looked at only for the terminator and dropped, so
// a 200 MB message or a reply that never ends cannot exhaust memory.
class MessageReply {
public:
    static constexpr qsizetype kDefaultKeepLimit = 1024 * 1024;
    // A status line longer than this is judged by what has arrived.
    static constexpr qsizetype kStatusLineLimit = 4096;

    explicit MessageReply(qsizetype keepLimit = kDefaultKeepLimit);

    void append(QByteArrayView piece);
    // The same, taking over the piece's buffer when it can.
    void appendTaking(QByteArray&& piece);
    void clear();

    bool isEmpty() const { return m_total == 0; }
    bool statusLineComplete() const;
    // True once the terminator has arrived.
    bool isComplete() const { return m_complete; }
    // True when bytes had to be dropped.
    bool isTruncated() const { return m_truncated; }
    bool startsWith(QByteArrayView prefix) const { return m_kept.startsWith(prefix); }
    // The reply without its status line and without the final "." CR LF, so that it ends with
    // the CR LF of its last line; cut at the keep limit when the reply was longer. Valid until
    // the next change.
    QByteArrayView body() const;
    // The status line without its CR LF (what has arrived of it).
    QByteArrayView statusLine() const;
    qint64 totalBytes() const { return m_total; }
    qsizetype keptBytes() const { return m_kept.size(); }

private:
    qsizetype m_keepLimit;
    QByteArray m_kept;
    // The last bytes seen, to find a terminator split across pieces.
    QByteArray m_tail;
    qint64 m_total = 0;
    bool m_complete = false;
    bool m_truncated = false;
};

} // namespace mervantic
