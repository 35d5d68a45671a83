#include "pop3/Apop.h"

#include "platform/Md5.h"
#include "store/Windows1252.h"

namespace mervantic::Apop {

std::optional<QString> timestamp(const QString& greeting) {
    const qsizetype open = greeting.indexOf(QLatin1Char('<'));
    if (open < 0)
        return std::nullopt;
    const qsizetype close = greeting.indexOf(QLatin1Char('>'), open + 1);
    if (close < 0)
        return std::nullopt;
    return greeting.mid(open, close - open + 1);
}

QString digest(const QString& timestamp, const QString& secret) {
    return md5Hex(timestamp.toLatin1() + Windows1252::encode(secret)).toLower();
}

} // namespace mervantic::Apop
