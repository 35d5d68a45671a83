#pragma once

#include "app/ColumnFit.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <span>

class QTreeView;

namespace mervantic {

// The mail list's column widths. The first six are the user's and are kept in the settings; a
// column still at its design width (never sized by the user) is as wide as what it shows, up
// to two thirds of the list, so that names and dates are whole before "Subject", which is cut
// first, takes whatever width the list has to spare ("Message_ID" then begins at the right
// edge). "Port" starts at its design width; while the tick boxes are shown the first column is
// widened by the room the box takes. What is stored is what the user chose (the design width
// for a column never sized), never the fitted or spare width or the box's room.
class MailColumns final : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kKept = 6;

    explicit MailColumns(QTreeView& view, QObject* parent = nullptr);

    // The stored widths in twips, and "Port" and "Message_ID" at their design widths.
    void show(std::span<const float, kKept> twips);
    // The widths to store, in twips.
    void take(std::span<float, kKept> twips) const;
    void setTickBoxes(bool shown);

    int tickBoxRoom() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void userResized(int column, int newSize);
    void apply();
    // The width of a column the user never sized: what it shows, within bounds.
    int fittedWidth(int column) const;

    QTreeView& m_view;
    ChosenWidths<kKept> m_chosen;
    bool m_tickBoxes = false;
    QTimer m_refit;
    bool m_applying = false;
};

} // namespace mervantic
