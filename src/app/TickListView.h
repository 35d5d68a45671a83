#pragma once

#include <QTreeView>

namespace mervantic {

// A list whose rows may carry a tick box. Space ticks the current row whichever of its cells
// has the focus, as a click on its box does, and assistive technology can read and change the
// ticks (TickListAccessible).
class TickListView : public QTreeView {
    Q_OBJECT

public:
    explicit TickListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace mervantic
