#pragma once

#include <QByteArrayView>
#include <QString>

namespace mervantic {

// The first key that an object of a JSON text holds twice, as "accounts" or "security"; empty
// when there is none. JSON parsers keep one of the two silently, losing the other: in a data
// file, that is damage. The text must be valid JSON.
QString duplicateJsonKey(QByteArrayView json);

} // namespace mervantic
