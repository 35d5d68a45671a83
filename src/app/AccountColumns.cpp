#include "app/AccountColumns.h"

#include "app/ColumnFit.h"
#include "app/Placement.h"
#include "store/Settings.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>

namespace mervantic {

AccountColumns::AccountColumns(QTreeView& view, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_chosen({Settings::kAccountColumnDefault, Settings::kAccountColumnDefault,
                Settings::kAccountColumnDefault, Settings::kAccountColumnDefault}) {
    view.header()->setResizeContentsPrecision(0);
    m_refit.setSingleShot(true);
    m_refit.setInterval(0);
    connect(&m_refit, &QTimer::timeout, this, &AccountColumns::apply);
    QAbstractItemModel* model = view.model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, &m_refit, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::dataChanged, &m_refit, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::modelReset, &m_refit, qOverload<>(&QTimer::start));
    // The cap follows the list's width.
    view.viewport()->installEventFilter(this);
    connect(view.header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_applying || column < 0 || column >= static_cast<int>(kCount))
            return;
        m_chosen.choose(static_cast<std::size_t>(column), size);
    });
}

bool AccountColumns::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_view.viewport())
        m_refit.start();
    return QObject::eventFilter(watched, event);
}

void AccountColumns::show(std::span<const float, kCount> twips) {
    m_chosen.read(twips);
    apply();
}

void AccountColumns::take(std::span<float, kCount> twips) const {
    m_chosen.write(twips);
}

void AccountColumns::apply() {
    const int cap = std::max(m_view.viewport()->width() / 2, 48);
    m_applying = true;
    for (std::size_t column = 0; column < kCount; ++column) {
        const int index = static_cast<int>(column);
        m_view.header()->resizeSection(index, m_chosen.fitted(column)
                                                  ? contentWidth(m_view, index, cap)
                                                  : m_chosen.pixels(column));
    }
    m_applying = false;
}

} // namespace mervantic
