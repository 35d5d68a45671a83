#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <initializer_list>

namespace mervantic {

// A server's reply as the program shows it: untrusted text, always cut to a readable length.

// The reply with every occurrence of each secret (a password, a token) replaced by asterisks:
// a server that echoes what it was sent must not show it on the screen. Secrets shorter than
// four bytes are left, since masking them would garble the reply and hide little.
QByteArray withSecretsMasked(QByteArray reply, std::initializer_list<QByteArrayView> secrets);

// The reply line: the reply without its last two characters (its CR LF).
QString replyLine(const QByteArray& reply);
// The reply line as the log shows it: a reply longer than 242 characters is cut to its first 240
// behind the marker "Chopped To 240 Chrs: ".
QString loggedLine(const QByteArray& reply);
// The reply line as a failure row quotes it: its first 200 characters.
QString quotedLine(QByteArrayView reply);

} // namespace mervantic
