#include "pop3/Capabilities.h"

#include <QByteArray>
#include <QList>

namespace mervantic {

Capabilities Capabilities::fromList(QByteArrayView lines) {
    Capabilities capabilities;
    capabilities.listed = true;
    for (const QByteArray& line : lines.toByteArray().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        const QByteArray name = words.first().toUpper();
        if (name == "STLS") {
            capabilities.stls = true;
        } else if (name == "USER") {
            capabilities.user = true;
        } else if (name == "SASL") {
            for (qsizetype i = 1; i < words.size(); ++i) {
                if (!words[i].isEmpty())
                    capabilities.sasl << QString::fromLatin1(words[i].toUpper());
            }
        } else if (name == "LOGIN-DELAY" && words.size() > 1) {
            // "LOGIN-DELAY 900" or, before authentication, "LOGIN-DELAY 900 USER".
            bool ok = false;
            const int seconds = words[1].toInt(&ok);
            if (ok && seconds > 0)
                capabilities.loginDelaySeconds = seconds;
        }
    }
    return capabilities;
}

} // namespace mervantic
