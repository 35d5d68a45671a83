#pragma once

#include <QString>

#include <optional>

namespace mervantic {

// An account row's key: "K", the row number, "P", then the account password in clear.
namespace AccountKey {

QString make(int number, const QString& password);

// 1-based position of the first "P" (either case), 0 when there is none.
int passwordMarkPosition(const QString& key);

// The password behind the first "P", or nothing when the key carries none: the "P" missing or
// before position 3 (no number in front of it), or nothing after it.
std::optional<QString> password(const QString& key);

// The row number between the mark letter and the "P", or 0 when the key has no usable number.
int number(const QString& key);

} // namespace AccountKey

} // namespace mervantic
