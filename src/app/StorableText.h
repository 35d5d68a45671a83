#pragma once

#include "store/Windows1252.h"

#include <QString>

#include <initializer_list>

namespace mervantic {

// The data files keep text in Windows-1252: what it cannot hold would come back as "?" (a run
// password that locks its owner out, a password that logs on wrongly). Such text is refused
// where it is typed. The refusal names the characters; empty when every text can be kept.
inline QString unstorableTextRefusal(std::initializer_list<QStringView> texts) {
    QString missing;
    for (const QStringView text : texts) {
        const QString lacking = Windows1252::unencodable(text);
        for (qsizetype i = 0; i < lacking.size(); ++i) {
            const qsizetype length = lacking.at(i).isHighSurrogate() ? 2 : 1;
            const QString character = lacking.mid(i, length);
            if (!missing.contains(character))
                missing += (missing.isEmpty() ? QString() : QStringLiteral(" ")) + character;
            i += length - 1;
        }
    }
    if (missing.isEmpty())
        return {};
    return QStringLiteral("These Characters Cannot Be Stored, Please Use Others: ") + missing;
}

} // namespace mervantic
