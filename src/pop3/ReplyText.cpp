#include "pop3/ReplyText.h"

#include <algorithm>

namespace mervantic {

namespace {
constexpr int kChopAt = 242;
} // namespace

QByteArray withSecretsMasked(QByteArray reply, std::initializer_list<QByteArrayView> secrets) {
    constexpr qsizetype kShortest = 4;
    for (const QByteArrayView secret : secrets) {
        if (secret.size() < kShortest)
            continue;
        for (qsizetype at = reply.indexOf(secret); at >= 0; at = reply.indexOf(secret, at + 8))
            reply.replace(at, secret.size(), "********");
    }
    return reply;
}

QString quotedLine(QByteArrayView reply) {
    constexpr qsizetype kQuoted = 200;
    QByteArrayView line = reply;
    if (line.endsWith("\r\n"))
        line.chop(2);
    return QString::fromLatin1(line.first(std::min(line.size(), kQuoted)));
}

QString loggedLine(const QByteArray& reply) {
    // No server fills the log with one enormous line: what is logged of a reply is cut, with a
    // marker saying so.
    if (reply.size() > kChopAt)
        return replyLine("Chopped To 240 Chrs: " + reply.first(kChopAt));
    return replyLine(reply);
}

QString replyLine(const QByteArray& reply) {
    if (reply.size() <= 2)
        return {};
    return QString::fromLatin1(reply.chopped(2));
}

} // namespace mervantic
