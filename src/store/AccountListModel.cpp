#include "store/AccountListModel.h"

#include "store/VisibleText.h"

namespace mervantic {

AccountListModel::AccountListModel(AccountList& list, QObject* parent)
    : QAbstractTableModel(parent)
    , m_list(list) {}

int AccountListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.count();
}

int AccountListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AccountListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const AccountRow& row = m_list.at(index.row() + 1);
    switch (role) {
    case Qt::DisplayRole:
        // Names read from the file are shown as what they hold, controls and all.
        return visibleText(data(index, Qt::EditRole).toString());
    case Qt::EditRole:
        switch (index.column()) {
        case DisplayName:
            return row.displayName;
        case Username:
            return row.username;
        case ServerName:
            return row.server;
        case Port:
            return row.port;
        default:
            return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == DisplayName)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case KeyRole:
        return row.key;
    case Qt::ToolTipRole:
        // A damaged record says so where the account is listed.
        return row.damage.isEmpty() ? QVariant() : QVariant(plainToolTip(row.damage));
    case kPlainToolTipRole:
        return row.damage.isEmpty() ? QVariant() : QVariant(row.damage);
    default:
        return {};
    }
}

QVariant AccountListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[ColumnCount] = {" Display Name", "Username", "Server Name",
                                                      "Port No."};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

Qt::ItemFlags AccountListModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == DisplayName)
        flags |= Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    return flags;
}

bool AccountListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != DisplayName)
        return false;
    const int row = index.row() + 1;
    if (role == Qt::CheckStateRole) {
        setChecked(row, value.value<Qt::CheckState>() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole) {
        const QString name = value.toString();
        if (m_renameHandler && !m_renameHandler(row, name))
            return false;
        m_list.at(row).displayName = name;
        Q_EMIT dataChanged(index, index);
        return true;
    }
    return false;
}

void AccountListModel::replaceAll(AccountList list) {
    beginResetModel();
    m_list = std::move(list);
    endResetModel();
}

void AccountListModel::appendAccount(AccountRow row) {
    const int at = m_list.count();
    beginInsertRows({}, at, at);
    m_list.append(std::move(row));
    endInsertRows();
}

void AccountListModel::removeAccount(int row) {
    beginRemoveRows({}, row - 1, row - 1);
    m_list.remove(row);
    endRemoveRows();
}

void AccountListModel::moveAccount(int from, int to) {
    if (from == to || from < 1 || to < 1 || from > m_list.count() || to > m_list.count())
        return;
    // Qt counts the destination before the move: moving down goes in front of the row after.
    beginMoveRows({}, from - 1, from - 1, {}, to > from ? to : to - 1);
    AccountRow moved = m_list.at(from);
    m_list.remove(from);
    m_list.insert(to, std::move(moved));
    endMoveRows();
}

void AccountListModel::setKey(int row, const QString& key) {
    m_list.at(row).key = key;
    Q_EMIT dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1), {KeyRole});
}

void AccountListModel::replaceAccount(int row, AccountRow account) {
    m_list.at(row) = std::move(account);
    Q_EMIT dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1));
}

void AccountListModel::setChecked(int row, bool checked) {
    if (checked)
        m_list.checkItem(row);
    else
        m_list.uncheckItem(row);
    Q_EMIT dataChanged(index(row - 1, 0), index(row - 1, 0), {Qt::CheckStateRole});
}

} // namespace mervantic
