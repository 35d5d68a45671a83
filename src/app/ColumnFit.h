#pragma once

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace mervantic {

// The width a column needs to show its header and the rows in view whole, at most `cap`.
// Only the rows in view are measured, so that it costs the same for ten rows or ten thousand.
inline int contentWidth(const QTreeView& view, int column, int cap) {
    const int header = view.header()->sectionSizeHint(column);
    // Public in the base class, where QTreeView keeps its own protected.
    const int cells = static_cast<const QAbstractItemView&>(view).sizeHintForColumn(column);
    return std::min(std::max(header, cells), std::max(cap, header));
}

} // namespace mervantic
