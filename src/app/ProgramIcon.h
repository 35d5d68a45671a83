#pragma once

#include <QIcon>

namespace mervantic {

// The program's icon, for its window and the notification area: a closed envelope.
QIcon programIcon();

} // namespace mervantic
