#pragma once

#include "app/ColumnFit.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <span>

class QTreeView;

namespace mervantic {

// The account list's four column widths, kept in the settings. A column still at its design
// width (never sized by the user) is as wide as the names it shows, up to half the list, so
// that no name is cut while the list has room; a column the user sized keeps that width. What
// is stored is what the user chose (the design width for a column never sized).
class AccountColumns final : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kCount = 4;

    explicit AccountColumns(QTreeView& view, QObject* parent = nullptr);

    void show(std::span<const float, kCount> twips);
    void take(std::span<float, kCount> twips) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QTreeView& m_view;
    ChosenWidths<kCount> m_chosen;
    bool m_applying = false;
    QTimer m_refit;
};

} // namespace mervantic
