#include "app/WidgetBeeper.h"

#include <QApplication>

namespace mervantic {

void WidgetBeeper::beep() {
    QApplication::beep();
}

} // namespace mervantic
