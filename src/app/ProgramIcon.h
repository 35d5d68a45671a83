#pragma once

#include <QIcon>

namespace mervantic {

// The program's icon, for its window and the notification area: a closed envelope.
QIcon programIcon();
// The same with a red mark: new mail waits and the alarm sounds.
QIcon newMailIcon();

} // namespace mervantic
