#pragma once

#include "store/AccountList.h"

#include <QAbstractTableModel>

#include <functional>

namespace mervantic {

// The account list as a table for the account page's view: the display name (editable in
// place), user name, server and port, a tick box per row, and the row key as a role. Every
// change to the list goes through here so that the view follows it.
class AccountListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { DisplayName, Username, ServerName, Port, ColumnCount };
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit AccountListModel(AccountList& list, QObject* parent = nullptr);

    AccountList& list() { return m_list; }
    const AccountList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Rows are counted from 1, as the list counts them.
    void replaceAll(AccountList list);
    void appendAccount(AccountRow row);
    void removeAccount(int row);
    // Moves a row, with its key and tick, to `to`.
    void moveAccount(int from, int to);
    void setKey(int row, const QString& key);
    // Row `row` (from 1) becomes `account`, in its place.
    void replaceAccount(int row, AccountRow account);
    void setChecked(int row, bool checked);

    // Asked when the user has typed a new display name in place, before the list takes it; the
    // list keeps the old name when it answers false.
    using RenameHandler = std::function<bool(int row, const QString& name)>;
    void setRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

private:
    AccountList& m_list;
    RenameHandler m_renameHandler;
};

} // namespace mervantic
