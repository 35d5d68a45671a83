#pragma once

#include <QObject>

#include <array>
#include <span>

class QTreeView;

namespace mervantic {

// The mail list's column widths. The first six are the user's and are kept in the settings;
// "Port" starts at its design width; "Subject", which is cut first, takes whatever width the
// list has to spare, so that "Message_ID" begins at the right edge; and while the tick boxes are
// shown the first column is widened by the room the box takes, so that the display name stays
// whole. What is stored is what the user chose, never the spare width or the box's room.
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

    QTreeView& m_view;
    std::array<int, kKept> m_chosen{};
    bool m_tickBoxes = false;
    bool m_applying = false;
};

} // namespace mervantic
