#include "app/MailListView.h"

#include "mail/MailListModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace mervantic {

namespace {

// A small envelope: closed and bright when new, open and grey when seen.
QIcon envelope(bool isNew) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor paper = isNew ? QColor(255, 214, 64) : QColor(226, 226, 226);
    const QColor ink = isNew ? QColor(140, 90, 0) : QColor(120, 120, 120);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(paper);
    painter.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (isNew) {
        painter.drawLine(QPointF(1.5, 4.5), QPointF(8, 10));
        painter.drawLine(QPointF(14.5, 4.5), QPointF(8, 10));
    } else {
        painter.drawLine(QPointF(1.5, 4.5), QPointF(8, 1));
        painter.drawLine(QPointF(14.5, 4.5), QPointF(8, 1));
    }
    return QIcon(pixmap);
}

} // namespace

QIcon MailListView::seenIcon() {
    return envelope(false);
}

QIcon MailListView::newIcon() {
    return envelope(true);
}

QIcon MailListView::failedIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(140, 0, 0), 1));
    painter.setBrush(QColor(214, 40, 40));
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4, 7, 8, 2.5));
    return QIcon(pixmap);
}

MailListView::MailListView(MailListModel& model, QWidget* parent)
    : TickListView(parent) {
    setObjectName(QStringLiteral("ListView1"));
    setAccessibleName(QStringLiteral("Mail list"));
    model.setIcons(seenIcon(), newIcon(), failedIcon());
    setModel(&model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

void MailListView::mouseReleaseEvent(QMouseEvent* event) {
    TickListView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT menuRequested(event->globalPosition().toPoint());
}

void MailListView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes with the button's release; the keyboard's (the menu key, Shift+F10)
    // opens over the current row, so that it can be reached without a mouse.
    if (event->reason() != QContextMenuEvent::Keyboard || !currentIndex().isValid()) {
        event->ignore();
        return;
    }
    const QRect row = visualRect(currentIndex());
    Q_EMIT menuRequested(viewport()->mapToGlobal(QPoint(row.left() + 8, row.center().y())));
    event->accept();
}

} // namespace mervantic
