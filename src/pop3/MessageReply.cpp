#include "pop3/MessageReply.h"

#include "pop3/ByteSearch.h"

#include <algorithm>

namespace mervantic {

namespace {
constexpr QByteArrayView kTerminator("\n.\r\n");
}

MessageReply::MessageReply(qsizetype keepLimit)
    : m_keepLimit(keepLimit) {}

void MessageReply::clear() {
    m_kept.clear();
    m_tail.clear();
    m_total = 0;
    m_complete = false;
    m_truncated = false;
}

void MessageReply::append(QByteArrayView piece) {
    if (m_complete || piece.isEmpty())
        return;
    constexpr qsizetype kSeam = kTerminator.size() - 1;

    // Where the terminator starts, counted in bytes of the whole reply, if it ends in this piece.
    // A terminator split between pieces shows in the seam of the old tail and the new head.
    qint64 start = -1;
    QByteArray seam = m_tail;
    seam.append(piece.first(std::min(piece.size(), kSeam)));
    if (const qsizetype inSeam = indexOfBytes(seam, kTerminator); inSeam >= 0)
        start = m_total - m_tail.size() + inSeam;
    else if (const qsizetype inPiece = indexOfBytes(piece, kTerminator); inPiece >= 0)
        start = m_total + inPiece;

    // The reply text runs up to and including the LF in front of the final ".".
    const qint64 textEnd = start >= 0 ? start + 1 : m_total + piece.size();
    const qint64 keepEnd = std::min<qint64>(textEnd, m_keepLimit);
    m_truncated = keepEnd < textEnd;
    if (m_kept.size() > keepEnd)
        m_kept.truncate(static_cast<qsizetype>(keepEnd));
    else if (keepEnd > m_total)
        m_kept.append(piece.first(static_cast<qsizetype>(keepEnd - m_total)));

    m_total += piece.size();
    m_complete = start >= 0;
    m_tail = piece.size() >= kSeam ? piece.last(kSeam).toByteArray() : seam.right(kSeam);
}

void MessageReply::appendTaking(QByteArray&& piece) {
    // A whole reply in its first piece, the usual case for short messages: keep its buffer.
    if (m_total == 0 && piece.size() <= m_keepLimit) {
        const qsizetype end = indexOfBytes(piece, kTerminator);
        if (end >= 0 && end + kTerminator.size() == piece.size()) {
            m_total = piece.size();
            piece.truncate(end + 1);
            m_kept = std::move(piece);
            m_complete = true;
            return;
        }
    }
    append(QByteArrayView(piece));
}

bool MessageReply::statusLineComplete() const {
    return m_complete || m_total >= kStatusLineLimit || indexOfBytes(m_kept, "\r\n") >= 0;
}

QByteArrayView MessageReply::statusLine() const {
    const qsizetype statusEnd = indexOfBytes(m_kept, "\r\n");
    return QByteArrayView(m_kept).first(statusEnd < 0 ? m_kept.size() : statusEnd);
}

QByteArrayView MessageReply::body() const {
    const qsizetype statusEnd = indexOfBytes(m_kept, "\r\n");
    if (statusEnd < 0)
        return {};
    return QByteArrayView(m_kept).sliced(statusEnd + 2);
}

} // namespace mervantic
