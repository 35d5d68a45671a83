#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <array>
#include <cstring>

namespace mervantic {

// A mailbox as the mail list shows it: user name, server and port text. Two accounts with all
// three equal are one mailbox.
struct MailboxId {
    QString username;
    QString server;
    QString port;
    friend bool operator==(const MailboxId&, const MailboxId&) = default;
};

inline size_t qHash(const MailboxId& id, size_t seed = 0) {
    return qHashMulti(seed, id.username, id.server, id.port);
}

// What tells one message of a mailbox from another: a digest of From and Subject as read, the
// Date as sent (to the second, whatever the list shows of it) and the Message-ID. The check's
// new/seen decision, the memory of seen mail kept between runs and the delete run all recognise
// a message by its mailbox and this digest. 128 bits of BLAKE2s, so that no two different
// messages share one, not even messages made to.
struct MessageDigest {
    std::array<quint8, 16> bytes{};
    friend bool operator==(const MessageDigest&, const MessageDigest&) = default;

    static MessageDigest of(QStringView from, QStringView subject, QStringView date,
                            QStringView messageId);
};

inline size_t qHash(const MessageDigest& digest, size_t seed = 0) {
    // The digest is uniform already: its first bytes are a hash.
    size_t hash = 0;
    std::memcpy(&hash, digest.bytes.data(), sizeof hash);
    return hash ^ seed;
}

struct MessageIdentity {
    MailboxId mailbox;
    MessageDigest digest;
};

} // namespace mervantic
