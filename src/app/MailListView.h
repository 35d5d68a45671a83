#pragma once

#include "app/TickListView.h"

#include <QIcon>

namespace mervantic {

class MailListModel;

// The mail list on the "Mail Window" page. It shows the model straight, without a proxy in
// between, and with rows of one height, so that adding rows costs the same however long the
// list already is.
class MailListView final : public TickListView {
    Q_OBJECT

public:
    explicit MailListView(MailListModel& model, QWidget* parent = nullptr);

    // A closed, bright envelope for a new row, an open grey one for a seen row.
    static QIcon seenIcon();
    static QIcon newIcon();
    // A red circle with a white bar: the account could not be checked.
    static QIcon failedIcon();

Q_SIGNALS:
    // A right-button release over the list, or the keyboard's menu key (at the current row),
    // for its popup menu.
    void menuRequested(const QPoint& globalPosition);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace mervantic
