#pragma once

#include <QString>

namespace mervantic {

inline const QString kNoMail = QStringLiteral("(no mail)");

enum class MailIcon { Seen = 1, New = 2 };

// One row of the mail list: a message header found on a server, or the "(no mail)" row of an
// account whose mailbox was empty.
struct MailItem {
    QString displayName;
    QString username;
    QString from;
    QString subject;
    QString dateSent;
    QString server;
    QString port;
    QString messageId;
    // Mark letter, row number, "P", account password; empty for a "(no mail)" row.
    QString key;
    MailIcon icon = MailIcon::Seen;
    bool checked = false;

    bool isNoMail() const { return from == kNoMail; }
};

} // namespace mervantic
