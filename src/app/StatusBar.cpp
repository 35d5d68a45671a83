#include "app/StatusBar.h"

#include <QMouseEvent>

namespace mervantic {

StatusBar::StatusBar(QWidget* parent)
    : QLabel(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    // A screen reader reads the status text itself as the bar's name.
    setAccessibleDescription(QStringLiteral("Status"));
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setIndent(4);
}

void StatusBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        showText(QString());
    QLabel::mousePressEvent(event);
}

} // namespace mervantic
