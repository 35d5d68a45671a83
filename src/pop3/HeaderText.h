#pragma once

#include <QByteArrayView>
#include <QString>

namespace mervantic {

// The text of a header field as a person should read it: the raw bytes as UTF-8 when they form
// valid UTF-8, else one byte per character (Latin-1); then every RFC 2047 encoded word
// ("=?charset?B?...?=" or "=?charset?Q?...?=") decoded, with the white space between two
// adjacent encoded words dropped. A malformed word, or one in a character set the system does
// not know, is left as sent.
QString decodeHeaderText(QByteArrayView raw);

} // namespace mervantic
