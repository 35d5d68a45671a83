#pragma once

#include "app/Placement.h"

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <span>

namespace mervantic {

// The width a column needs to show its header and the rows in view whole, at most `cap`.
// Only the rows in view are measured, so that it costs the same for ten rows or ten thousand.
inline int contentWidth(const QTreeView& view, int column, int cap) {
    const int header = view.header()->sectionSizeHint(column);
    // Public in the base class, where QTreeView keeps its own protected.
    const int cells = static_cast<const QAbstractItemView&>(view).sizeHintForColumn(column);
    return std::min(std::max(header, cells), std::max(cap, header));
}

// The widths the user chose for a list's first N columns, kept in the settings in twips. A
// column stored at its design width was never sized by the user: it is fitted to what it shows,
// and its design width is what is stored again, so that only the user's choices are kept.
template <std::size_t N> class ChosenWidths {
public:
    explicit ChosenWidths(std::array<float, N> designTwips)
        : m_design(designTwips) {}

    void read(std::span<const float, N> twips) {
        for (std::size_t column = 0; column < N; ++column) {
            m_pixels[column] = Placement::columnPixels(twips[column]);
            m_fitted[column] = twips[column] == m_design[column];
        }
    }
    void write(std::span<float, N> twips) const {
        for (std::size_t column = 0; column < N; ++column)
            twips[column] =
                m_fitted[column] ? m_design[column] : Placement::columnTwips(m_pixels[column]);
    }
    // The user sized the column: it keeps that width from now on.
    void choose(std::size_t column, int pixels) {
        m_pixels[column] = pixels;
        m_fitted[column] = false;
    }
    bool fitted(std::size_t column) const { return m_fitted[column]; }
    int pixels(std::size_t column) const { return m_pixels[column]; }

private:
    std::array<float, N> m_design;
    std::array<int, N> m_pixels{};
    std::array<bool, N> m_fitted{};
};

} // namespace mervantic
