#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace mervantic {

inline const QString kNoMail = QStringLiteral("(no mail)");

enum class MailIcon { Seen = 1, New = 2 };

// One row of the mail list: a message header found on a server, or the "(no mail)" row of an
// account whose mailbox was empty.
//
// The eight texts of a row are kept in one string, so that a row costs one allocation rather
// than eight and the seven that identify a message lie side by side: a check of a hundred
// thousand messages compares and frees them without chasing pointers across the heap.
class MailItem {
public:
    enum Field { DisplayName, Username, From, Subject, DateSent, Server, Port, MessageId };
    static constexpr int kFieldCount = 8;
    // The fields by which a message is recognised, Username to MessageId, in this order.
    static constexpr int kIdentityFields = 7;
    using Lengths = std::array<qint32, kIdentityFields>;

    MailItem() = default;
    explicit MailItem(const std::array<QStringView, kFieldCount>& fields);

    QStringView field(Field which) const {
        return QStringView(m_text).sliced(m_bounds[which], m_bounds[which + 1] - m_bounds[which]);
    }

    QString displayName() const { return field(DisplayName).toString(); }
    QString username() const { return field(Username).toString(); }
    QString from() const { return field(From).toString(); }
    QString subject() const { return field(Subject).toString(); }
    QString dateSent() const { return field(DateSent).toString(); }
    QString server() const { return field(Server).toString(); }
    QString port() const { return field(Port).toString(); }
    QString messageId() const { return field(MessageId).toString(); }

    bool isNoMail() const { return field(From) == kNoMail; }

    // The identity fields run together, and the length of each.
    QStringView identityText() const { return QStringView(m_text).sliced(m_bounds[Username]); }
    Lengths identityLengths() const;
    // The row's text, for a snapshot to keep once the row goes.
    QString takeText() { return std::move(m_text); }
    qint32 identityStart() const { return m_bounds[Username]; }
    // The characters the row's texts take.
    qsizetype textSize() const { return m_text.size(); }
    // What the row costs in memory: the item in the list, its text's allocation (with the
    // allocator's own overhead), and what a view of the list keeps for a row.
    qsizetype cost() const;
    static constexpr qsizetype kAllocationOverhead = 48;
    static constexpr qsizetype kViewRowCost = 48;

    // The row key is the mark letter, the row number, "P" and the account password; a
    // "(no mail)" row has none (number 0). Its parts are kept apart so that adding a row copies
    // nothing.
    QString key() const {
        if (number == 0)
            return {};
        return mark + QString::number(number) + QLatin1Char('P') + password;
    }
    QChar mark = QLatin1Char('K');
    int number = 0;
    QString password;

    MailIcon icon = MailIcon::Seen;
    bool checked = false;
    // Hash of the identity, taken when the row is made.
    size_t identityHash = 0;

private:
    QString m_text;
    // Where each field starts in m_text, and where the last one ends.
    std::array<qint32, kFieldCount + 1> m_bounds{};
};

inline qsizetype MailItem::cost() const {
    constexpr qsizetype kFixedCost =
        qsizetype{sizeof(MailItem)} + kAllocationOverhead + kViewRowCost;
    return kFixedCost + m_text.size() * qsizetype{sizeof(QChar)};
}

} // namespace mervantic
