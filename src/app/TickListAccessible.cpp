#include "app/TickListAccessible.h"

#include "store/VisibleText.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QWindow>

namespace mervantic {

namespace {

// A cell of the list; `row` -1 is the header row. Reads everything from the view and its
// model when asked, so that it never shows a state the row no longer has.
class TickCellAccessible final : public QAccessibleInterface,
                                 public QAccessibleTableCellInterface,
                                 public QAccessibleActionInterface {
public:
    TickCellAccessible(QTreeView* view, int row, int column)
        : m_view(view)
        , m_index(row >= 0 ? view->model()->index(row, column) : QModelIndex())
        , m_header(row < 0)
        , m_column(column) {}

    bool isValid() const override { return m_view != nullptr && (m_header || m_index.isValid()); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_view != nullptr ? m_view->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text kind) const override {
        if (!isValid())
            return {};
        if (m_header)
            return kind == QAccessible::Name
                       ? m_view->model()->headerData(m_column, Qt::Horizontal).toString()
                       : QString();
        switch (kind) {
        case QAccessible::Name:
            return m_index.data(Qt::DisplayRole).toString();
        case QAccessible::Description:
            return m_index.data(Qt::AccessibleDescriptionRole).toString();
        case QAccessible::Help:
            return m_index.data(kPlainToolTipRole).toString();
        default:
            return {};
        }
    }

    QRect rect() const override {
        if (!isValid())
            return {};
        if (m_header) {
            const QHeaderView* header = m_view->header();
            return {header->mapToGlobal(QPoint(header->sectionViewportPosition(m_column), 0)),
                    QSize(header->sectionSize(m_column), header->height())};
        }
        const QRect cell = m_view->visualRect(m_index);
        return cell.translated(m_view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::Role role() const override {
        return m_header ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        if (m_header)
            return state;
        const Qt::ItemFlags flags = m_index.flags();
        state.disabled = !flags.testFlag(Qt::ItemIsEnabled);
        state.selectable = true;
        state.selected = isSelected();
        state.focusable = true;
        state.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(m_index));
        if (flags.testFlag(Qt::ItemIsUserCheckable)) {
            state.checkable = true;
            state.checked = m_index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (m_header)
            return nullptr;
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QAccessibleInterface* table = parent();
        if (table == nullptr || table->tableInterface() == nullptr)
            return {};
        return {table->tableInterface()->cellAt(-1, m_column)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_header ? -1 : m_index.row(); }
    bool isSelected() const override {
        return isValid() && !m_header && m_view->selectionModel() != nullptr &&
               m_view->selectionModel()->isSelected(m_index);
    }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override {
        if (!isValid() || m_header)
            return {};
        // "Press" is Enter on the row: what the list does with it (a failed account's remedy,
        // an account's window).
        if (m_index.flags().testFlag(Qt::ItemIsUserCheckable))
            return {toggleAction(), pressAction(), setFocusAction()};
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString& action) override {
        if (!isValid() || m_header || !m_index.flags().testFlag(Qt::ItemIsEnabled))
            return;
        if (action == toggleAction() && m_index.flags().testFlag(Qt::ItemIsUserCheckable)) {
            const bool ticked =
                m_index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
            m_view->model()->setData(m_index, ticked ? Qt::Unchecked : Qt::Checked,
                                     Qt::CheckStateRole);
        } else if (action == pressAction()) {
            m_view->setCurrentIndex(m_index);
            Q_EMIT m_view->activated(m_index);
        } else if (action == setFocusAction()) {
            m_view->setCurrentIndex(m_index);
            m_view->setFocus(Qt::OtherFocusReason);
        }
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == toggleAction())
            return {QStringLiteral("Space")};
        if (action == pressAction())
            return {QStringLiteral("Return")};
        return {};
    }

    bool isHeader() const { return m_header; }
    int column() const { return m_column; }

private:
    QPointer<QTreeView> m_view;
    QPersistentModelIndex m_index;
    bool m_header;
    int m_column;
};

QAccessibleInterface* tickListFactory(const QString& key, QObject* object) {
    if (key == QLatin1String("mervantic::TickListView") && object->isWidgetType())
        return new TickListAccessible(static_cast<QAbstractItemView*>(object));
    return nullptr;
}

// A change of more rows than this is a bulk change (all ticked, the list emptied) that a screen
// reader is better told of as one model change, which the view sends itself.
constexpr int kMostRowsAnnounced = 256;

// Set on a list once something (a screen reader's bridge) asked for its interface; until then
// nobody listens for its changes and none are made up for them.
constexpr char kAsked[] = "mervanticAccessibleAsked";

} // namespace

TickListAccessible::TickListAccessible(QAbstractItemView* view)
    : QAccessibleWidget(view, QAccessible::Table) {
    view->setProperty(kAsked, true);
}

TickListAccessible::~TickListAccessible() {
    forgetCells();
}

void TickListAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(tickListFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void TickListAccessible::ticksChanged(QAbstractItemView* view, const QModelIndex& topLeft,
                                      const QModelIndex& bottomRight) {
    if (!view->property(kAsked).toBool() || bottomRight.row() - topLeft.row() >= kMostRowsAnnounced)
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    if (list == nullptr || list->tableInterface() == nullptr)
        return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            if (!view->model()->index(row, column).flags().testFlag(Qt::ItemIsUserCheckable))
                continue;
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(list->tableInterface()->cellAt(row, column), changed);
            QAccessible::updateAccessibility(&event);
        }
    }
}

QAbstractItemView* TickListAccessible::view() const {
    return static_cast<QAbstractItemView*>(widget());
}

int TickListAccessible::columnCount() const {
    return view()->model() != nullptr ? view()->model()->columnCount() : 0;
}

int TickListAccessible::rowCount() const {
    return view()->model() != nullptr ? view()->model()->rowCount() : 0;
}

int TickListAccessible::childCount() const {
    return (rowCount() + 1) * columnCount();
}

QAccessibleInterface* TickListAccessible::child(int index) const {
    const int columns = columnCount();
    if (index < 0 || columns == 0 || index >= childCount())
        return nullptr;
    return cell(index / columns - 1, index % columns);
}

int TickListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const TickCellAccessible*>(child);
    if (cell == nullptr || !cell->isValid())
        return -1;
    return cell->isHeader() ? cell->column()
                            : (cell->rowIndex() + 1) * columnCount() + cell->column();
}

QAccessibleInterface* TickListAccessible::childAt(int x, int y) const {
    auto* tree = static_cast<QTreeView*>(view());
    const QPoint global(x, y);
    QHeaderView* header = tree->header();
    const QPoint inHeader = header->mapFromGlobal(global);
    if (header->isVisible() && header->rect().contains(inHeader)) {
        const int column = header->logicalIndexAt(inHeader);
        return column >= 0 ? cell(-1, column) : nullptr;
    }
    const QModelIndex index = tree->indexAt(tree->viewport()->mapFromGlobal(global));
    return index.isValid() ? cell(index.row(), index.column()) : nullptr;
}

void* TickListAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* TickListAccessible::cellAt(int row, int column) const {
    if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return cell(row, column);
}

int TickListAccessible::selectedCellCount() const {
    return selectedRowCount() * columnCount();
}

int TickListAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

QString TickListAccessible::columnDescription(int column) const {
    return view()->model() != nullptr
               ? view()->model()->headerData(column, Qt::Horizontal).toString()
               : QString();
}

QList<QAccessibleInterface*> TickListAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column)
            cells.append(cell(row, column));
    return cells;
}

QList<int> TickListAccessible::selectedRows() const {
    QList<int> rows;
    if (view()->selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : view()->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}

bool TickListAccessible::isRowSelected(int row) const {
    return view()->selectionModel() != nullptr && view()->selectionModel()->isRowSelected(row);
}

bool TickListAccessible::selectRow(int row) {
    if (row < 0 || row >= rowCount() || view()->selectionModel() == nullptr)
        return false;
    view()->selectionModel()->select(view()->model()->index(row, 0),
                                     QItemSelectionModel::ClearAndSelect |
                                         QItemSelectionModel::Rows);
    return true;
}

bool TickListAccessible::unselectRow(int row) {
    if (row < 0 || row >= rowCount() || view()->selectionModel() == nullptr)
        return false;
    view()->selectionModel()->select(view()->model()->index(row, 0),
                                     QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

void TickListAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    // A cell follows its item through changes of data (a tick, say), so a screen reader's hold
    // on it stays good; when rows come, go or move, the cells are made afresh when next asked for.
    if (event->modelChangeType() == QAccessibleTableModelChangeEvent::DataChanged)
        return;
    forgetCells();
}

QAccessibleInterface* TickListAccessible::cell(int row, int column) const {
    const qint64 key = qint64{row + 1} * columnCount() + column;
    if (const auto known = m_cells.constFind(key); known != m_cells.constEnd())
        return QAccessible::accessibleInterface(*known);
    auto* made = new TickCellAccessible(static_cast<QTreeView*>(view()), row, column);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

void TickListAccessible::forgetCells() const {
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}

} // namespace mervantic
