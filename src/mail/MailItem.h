#pragma once

#include "mail/FailureRemedy.h"
#include "mail/MessageIdentity.h"

#include <QString>
#include <QStringView>

#include <array>

namespace mervantic {

inline const QString kNoMail = QStringLiteral("(no mail)");
// What an account's failure row holds as its sender; the list shows there what would mend the
// account.
inline const QString kCheckFailed = QStringLiteral("(check failed)");

enum class MailIcon { Seen = 1, New = 2 };

// What a row stands for: a message, an account whose mailbox was empty, or an account that
// could not be checked (its Subject says why). Only message rows are mail: they alone count in
// the totals, are new or seen, and are what the delete run deletes. A failure row cannot be
// ticked.
enum class RowKind : quint8 { Message, NoMail, Failed };

// One row of the mail list: a message header found on a server, the "(no mail)" row of an
// account whose mailbox was empty, or the row of an account whose check failed.
//
// The eight texts of a row are kept in one string, so that a row costs one allocation rather
// than eight and the seven that identify a message lie side by side: a check of a hundred
// thousand messages compares and frees them without chasing pointers across the heap.
class MailItem {
public:
    enum Field { DisplayName, Username, From, Subject, DateSent, Server, Port, MessageId };
    static constexpr int kFieldCount = 8;
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

    bool isNoMail() const { return kind == RowKind::NoMail; }
    bool isMessage() const { return kind == RowKind::Message; }
    bool isFailure() const { return kind == RowKind::Failed; }
    // The mailbox the row belongs to.
    MailboxId mailbox() const { return {username(), server(), port()}; }
    // The row's account was changed: its display name and mailbox become these.
    void setAccount(const QString& displayName, const MailboxId& mailbox);

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
    RowKind kind = RowKind::Message;
    // What a failure row offers the user to mend its account.
    Remedy remedy = Remedy::CheckAgain;
    bool checked = false;
    // What tells the message from the others of its mailbox (a message row only).
    MessageDigest digest;

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
