#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace mervantic {

namespace {

QPixmap envelope(int size, bool marked = false) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 16.0;
    painter.setPen(QPen(QColor(40, 70, 140), unit));
    painter.setBrush(QColor(250, 214, 80));
    const QRectF body(1.5 * unit, 3.5 * unit, 13 * unit, 9 * unit);
    painter.drawRect(body);
    painter.drawLine(body.topLeft(), QPointF(8 * unit, 9.5 * unit));
    painter.drawLine(body.topRight(), QPointF(8 * unit, 9.5 * unit));
    if (marked) {
        painter.setPen(QPen(Qt::white, unit));
        painter.setBrush(QColor(214, 30, 30));
        painter.drawEllipse(QRectF(8.5 * unit, 0.5 * unit, 7 * unit, 7 * unit));
    }
    return pixmap;
}

} // namespace

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 22, 32, 48, 64, 128})
        icon.addPixmap(envelope(size));
    return icon;
}

QIcon newMailIcon() {
    QIcon icon;
    for (const int size : {16, 22, 32, 48, 64, 128})
        icon.addPixmap(envelope(size, true));
    return icon;
}

} // namespace mervantic
