#include "app/MailColumns.h"

#include "app/ColumnFit.h"
#include "app/Placement.h"
#include "mail/MailListModel.h"
#include "store/Settings.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace mervantic {

namespace {
constexpr float kPortTwips = 1440;
} // namespace

MailColumns::MailColumns(QTreeView& view, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_chosen(Settings::kMailColumnDefaults) {
    connect(view.header(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) {
                if (!m_applying)
                    userResized(column, newSize);
            });
    // The viewport's width is known only once it is laid out, and changes with the window and
    // with the vertical scroll bar.
    view.viewport()->installEventFilter(this);
    // Only the rows in view are measured: a long list costs no more to fit than a short one.
    view.header()->setResizeContentsPrecision(0);
    // Rows shown, or shown anew, may need more width (or less) in the fitted columns.
    m_refit.setSingleShot(true);
    m_refit.setInterval(0);
    connect(&m_refit, &QTimer::timeout, this, &MailColumns::apply);
    if (QAbstractItemModel* model = view.model()) {
        connect(model, &QAbstractItemModel::rowsInserted, &m_refit, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::modelReset, &m_refit, qOverload<>(&QTimer::start));
    }
}

bool MailColumns::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_view.viewport())
        apply();
    return QObject::eventFilter(watched, event);
}

void MailColumns::show(std::span<const float, kKept> twips) {
    m_chosen.read(twips);
    m_applying = true;
    m_view.header()->resizeSection(MailListModel::Port, Placement::columnPixels(kPortTwips));
    m_view.header()->resizeSection(MailListModel::MessageId, Placement::columnPixels(kPortTwips));
    m_applying = false;
    apply();
}

void MailColumns::take(std::span<float, kKept> twips) const {
    m_chosen.write(twips);
}

void MailColumns::setTickBoxes(bool shown) {
    if (m_tickBoxes == shown)
        return;
    m_tickBoxes = shown;
    apply();
}

int MailColumns::tickBoxRoom() const {
    const QStyle* style = m_view.style();
    return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &m_view) +
           2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_view) + 1);
}

void MailColumns::userResized(int column, int newSize) {
    if (column >= 0 && column < static_cast<int>(kKept)) {
        const int room = column == 0 && m_tickBoxes ? tickBoxRoom() : 0;
        m_chosen.choose(static_cast<std::size_t>(column), std::max(newSize - room, 0));
    }
    // Another column changed what is left to spare; a "Subject" sized by hand stays as the user
    // left it until the list's size changes.
    if (column != MailListModel::Subject && column != MailListModel::MessageId)
        apply();
}

int MailColumns::fittedWidth(int column) const {
    const int viewport = m_view.viewport()->width();
    // "Subject" gets the spare width after the others: on its own it is no wider than it was
    // designed, so that the columns after it stay in view.
    if (column == MailListModel::Subject)
        return contentWidth(m_view, column, m_chosen.pixels(MailListModel::Subject));
    // Whole names and addresses matter more than seeing every column at once: the list
    // scrolls sideways to the rest.
    return contentWidth(m_view, column, std::max(viewport * 2 / 3, 96));
}

void MailColumns::apply() {
    QHeaderView* header = m_view.header();
    std::array<int, kKept> shown{};
    for (std::size_t column = 0; column < kKept; ++column)
        shown[column] = m_chosen.fitted(column) ? fittedWidth(static_cast<int>(column))
                                                : m_chosen.pixels(column);
    if (m_tickBoxes)
        shown[0] += tickBoxRoom();
    int used = header->sectionSize(MailListModel::Port);
    for (const int width : shown)
        used += width;
    const int spare = m_view.viewport()->width() - used;
    if (spare > 0)
        shown[MailListModel::Subject] += spare;
    m_applying = true;
    for (std::size_t column = 0; column < kKept; ++column)
        header->resizeSection(static_cast<int>(column), shown[column]);
    m_applying = false;
}

} // namespace mervantic
