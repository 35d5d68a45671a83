#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class QAbstractItemView;
class QHeaderView;

namespace mervantic {

// A list with tick boxes (the mail list, the account list) as assistive technology sees it: a
// table of cells (the header row first, as Qt's own item views number them), each readable with
// its row's state, and a cell with a tick box checkable: its "Toggle" action ticks or unticks
// the row, as a click on the box does, rather than only selecting the row. Qt's own table cells
// offer no way to change a tick, so the lists bring their own.
class TickListAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TickListAccessible(QAbstractItemView* view);
    ~TickListAccessible() override;

    // Installed once: every TickListView gets this interface.
    static void install();
    // Tells assistive technology that the ticks of these cells may have changed.
    static void ticksChanged(QAbstractItemView* view, const QModelIndex& topLeft,
                             const QModelIndex& bottomRight);

    QAccessible::Role role() const override { return QAccessible::Table; }
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    QAbstractItemView* view() const;
    // The interface of the cell at `row` (-1: the header row), made once and kept until the
    // model changes.
    QAccessibleInterface* cell(int row, int column) const;
    void forgetCells() const;

    mutable QHash<qint64, QAccessible::Id> m_cells;
};

} // namespace mervantic
