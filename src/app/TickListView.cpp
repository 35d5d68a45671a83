#include "app/TickListView.h"

#include "app/TickListAccessible.h"

#include <QKeyEvent>

namespace mervantic {

TickListView::TickListView(QWidget* parent)
    : QTreeView(parent) {
    TickListAccessible::install();
}

void TickListView::setModel(QAbstractItemModel* model) {
    if (this->model() != nullptr)
        disconnect(this->model(), &QAbstractItemModel::dataChanged, this, nullptr);
    QTreeView::setModel(model);
    if (model != nullptr)
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    TickListAccessible::ticksChanged(this, topLeft, bottomRight);
                });
}

void TickListView::keyPressEvent(QKeyEvent* event) {
    const bool tickKey = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
    if (tickKey && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        for (int column = 0; column < model()->columnCount(); ++column) {
            const QModelIndex cell = currentIndex().siblingAtColumn(column);
            const Qt::ItemFlags flags = cell.flags();
            if (!flags.testFlag(Qt::ItemIsUserCheckable) || !flags.testFlag(Qt::ItemIsEnabled))
                continue;
            const bool ticked =
                cell.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
            model()->setData(cell, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            event->accept();
            return;
        }
    }
    // A row without a box selects, as in any list.
    QTreeView::keyPressEvent(event);
}

} // namespace mervantic
