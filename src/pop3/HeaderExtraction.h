#pragma once

#include "mail/MailList.h"
#include "mail/MessageIdentity.h"
#include "pop3/ConversationEvents.h"
#include "pop3/RunLog.h"
#include "pop3/SessionState.h"
#include "store/Options.h"

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
    // False when the message was cut before the end of its header block.
    bool wholeBlock = true;

    // What tells the message from the others of its mailbox.
    MessageDigest identity() const { return MessageDigest::of(from, subject, date, messageId); }
};

// Reads From, Subject, Date and Message-ID from the header block of a message (one byte per
// character; everything before the first empty line). Lines end at CR LF, or at a lone LF; a
// lone CR is part of its line. Names are matched without regard to letter case; values lose
// their leading and trailing blanks; continuation lines of folded headers are not joined; a
// later field of the same name wins. From and Subject are decoded for reading (see
// decodeHeaderText). Nothing when the message has no empty line after its headers, unless the
// message was `cut` short before one could come: then what was read is its header block.
std::optional<MessageHeaders> extractHeaders(QByteArrayView message, bool cut = false);

// Hands every message read by a conversation on: to the raw-data window, and to the mail list
// in a check run.
class HeaderExtraction {
public:
    // What it works with.
    struct Context {
        RunLog& log;
        const Options& options;
        const SessionState& session;
        MailList& mail;
    };

    explicit HeaderExtraction(Context context);

    void processMessageHeaders(const ReadMessage& message);

private:
    Context m_context;
};

} // namespace mervantic
