#include "app/ThemeColours.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>

namespace mervantic::ThemeColours {

bool visualStylesActive() {
    return QApplication::style()->name() != QStringLiteral("windows");
}

void apply(QWidget& root, bool visualStyles) {
    const QPalette desktop = QApplication::palette();
    const QColor background = desktop.color(visualStyles ? QPalette::Base : QPalette::Button);
    const QColor text = desktop.color(visualStyles ? QPalette::Text : QPalette::ButtonText);
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        const bool labelOrBox =
            qobject_cast<QLabel*>(widget) != nullptr || qobject_cast<QCheckBox*>(widget) != nullptr;
        const bool frame = !labelOrBox && qobject_cast<QFrame*>(widget) != nullptr &&
                           qobject_cast<QAbstractScrollArea*>(widget) == nullptr;
        const bool groupBox = qobject_cast<QGroupBox*>(widget) != nullptr;
        if (!labelOrBox && !frame && !groupBox)
            continue;
        QPalette colours = widget->palette();
        colours.setColor(QPalette::Window, background);
        if (labelOrBox || groupBox) {
            colours.setColor(QPalette::WindowText, text);
            colours.setColor(QPalette::ButtonText, text);
        }
        widget->setPalette(colours);
        if (frame || groupBox)
            widget->setAutoFillBackground(true);
    }
}

} // namespace mervantic::ThemeColours
