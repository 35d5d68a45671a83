#include "mail/MailListModel.h"

#include "store/VisibleText.h"

namespace mervantic {

MailListModel::MailListModel(MailList& list, QObject* parent)
    : QAbstractTableModel(parent)
    , m_list(list) {
    m_shown = list.count();
    m_batch.setSingleShot(true);
    m_batch.setInterval(0);
    connect(&m_batch, &QTimer::timeout, this, &MailListModel::showPendingRows);
    // The list counts rows from 1, the model from 0.
    connect(&list, &MailList::appended, this, &MailListModel::rowAppended);
    connect(&list, &MailList::aboutToRemove, this, [this](int first, int last) {
        showPendingRows();
        beginRemoveRows({}, first - 1, last - 1);
    });
    connect(&list, &MailList::removed, this, [this] {
        m_shown = m_list.count();
        endRemoveRows();
    });
    connect(&list, &MailList::aboutToReset, this, [this] {
        m_batch.stop();
        beginResetModel();
    });
    connect(&list, &MailList::reset, this, [this] {
        m_shown = m_list.count();
        endResetModel();
    });
    connect(&list, &MailList::rowsChanged, this, &MailListModel::rowsChanged);
    connect(&list, &MailList::enabledChanged, this, [this] {
        if (m_list.count() > 0)
            rowsChanged(1, m_list.count());
    });
}

void MailListModel::rowAppended() {
    if (m_batch.interval() <= 0)
        showPendingRows();
    else if (!m_batch.isActive())
        m_batch.start();
}

void MailListModel::showPendingRows() {
    m_batch.stop();
    const int count = m_list.count();
    if (count <= m_shown)
        return;
    beginInsertRows({}, m_shown, count - 1);
    m_shown = count;
    endInsertRows();
}

void MailListModel::setIcons(const QVariant& seen, const QVariant& fresh, const QVariant& failed) {
    m_seenIcon = seen;
    m_newIcon = fresh;
    m_failedIcon = failed;
}

void MailListModel::rowsChanged(int firstRow, int lastRow) {
    // Rows still waiting for their batch arrive with their current state.
    lastRow = std::min(lastRow, m_shown);
    if (firstRow > lastRow)
        return;
    Q_EMIT dataChanged(index(firstRow - 1, 0), index(lastRow - 1, ColumnCount - 1));
}

int MailListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int MailListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MailListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const MailItem& item = m_list.at(index.row() + 1);
    switch (role) {
    case Qt::DisplayRole:
        // A failed account's row says first, where the eye falls, what would mend it; why it
        // failed follows in Subject.
        if (item.isFailure() && index.column() == From)
            return remedyLead(item.remedy);
        // Every field came from a server or a file: shown as sent, but never acting.
        return visibleText(item.field(static_cast<MailItem::Field>(index.column())).toString());
    case Qt::CheckStateRole:
        if (index.column() == 0 && m_list.deleteFunctionsEnabled() && !item.isFailure())
            return item.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case SeenNewRole:
        return static_cast<int>(item.icon);
    case Qt::AccessibleDescriptionRole: {
        // What the icon and the tick box show, for those who do not see them.
        if (item.isFailure())
            return QStringLiteral("Account not checked");
        QString state = item.icon == MailIcon::New ? QStringLiteral("New message")
                                                   : QStringLiteral("Seen message");
        if (m_list.deleteFunctionsEnabled())
            state += item.checked ? QStringLiteral(", ticked for deletion")
                                  : QStringLiteral(", not ticked");
        return state;
    }
    case Qt::ToolTipRole:
        // Why an account failed may be longer than its column shows.
        if (item.isFailure())
            return plainToolTip(failureText(item));
        return {};
    case PlainToolTipRole:
        if (item.isFailure())
            return failureText(item);
        return {};
    case Qt::DecorationRole:
        if (index.column() != 0)
            return {};
        if (item.isFailure())
            return m_failedIcon;
        return item.icon == MailIcon::New ? m_newIcon : m_seenIcon;
    default:
        return {};
    }
}

QString MailListModel::failureText(const MailItem& item) {
    // What to do comes first: the reason may be longer than the column shows.
    return remedyLead(item.remedy) + QStringLiteral(": ") + visibleText(item.subject());
}

QVariant MailListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[ColumnCount] = {" Display Name", "Username",  "From",
                                                      "Subject",       "Date Sent", "Server",
                                                      "Port",          "Message_ID"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

Qt::ItemFlags MailListModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_list.isEnabled())
        flags |= Qt::ItemIsEnabled;
    if (index.column() == 0 && m_list.deleteFunctionsEnabled() &&
        !m_list.at(index.row() + 1).isFailure())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool MailListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0 || !m_list.deleteFunctionsEnabled() ||
        !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    if (value.value<Qt::CheckState>() == Qt::Checked)
        m_list.checkItem(index.row() + 1);
    else
        m_list.uncheckItem(index.row() + 1);
    return true;
}

} // namespace mervantic
