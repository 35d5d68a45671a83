#pragma once

#include "mail/MessageIdentity.h"
#include "pop3/RunContext.h"

#include <QString>

#include <optional>

namespace mervantic {

// The four header fields the mail list shows: From and Subject decoded, the Date and the
// Message-ID as sent.
struct MessageHeaders {
    QString from;
    QString subject;
    QString date;
    QString messageId;

    // What tells the message from the others of its mailbox.
    MessageDigest identity() const { return MessageDigest::of(from, subject, date, messageId); }
};

// Reads From, Subject, Date and Message-ID from the header block of a message (one byte per
// character; everything before
// the first empty line). Names are matched without regard to letter case; values lose their
// leading and trailing blanks; continuation lines of folded headers are not joined; a later
// field of the same name wins. From and Subject are decoded for reading (see decodeHeaderText).
// Nothing when the message has no empty line after its headers.
std::optional<MessageHeaders> extractHeaders(QByteArrayView message);

// Hands every message read by a conversation on: to the raw-data window, and to the mail list
// in a check run.
class HeaderExtraction {
public:
    explicit HeaderExtraction(RunContext& context);

    // `message` is the reply to TOP or RETR without its status line and final ".", ending with
    // the CR LF of its last line; `messageNumber` is its number on the server.
    void processMessageHeaders(QByteArrayView message, std::int32_t messageNumber);

private:
    RunContext& m_context;
};

} // namespace mervantic
