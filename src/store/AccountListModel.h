#pragma once

#include "store/AccountList.h"

#include <QAbstractTableModel>

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
    void setChecked(int row, bool checked);

Q_SIGNALS:
    // The user typed a new display name in place; the list keeps it once this returns.
    void displayNameEdited(int row, const QString& name);

private:
    AccountList& m_list;
};

} // namespace mervantic
