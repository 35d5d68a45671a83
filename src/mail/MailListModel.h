#pragma once

#include "mail/MailList.h"

#include <QAbstractTableModel>

namespace mervantic {

// The mail list as a table for the main window's view: eight columns with their header texts,
// a tick box per row while the delete functions are on, and the seen/new state as a role that
// the view turns into its icon.
class MailListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        DisplayName,
        Username,
        From,
        Subject,
        DateSent,
        Server,
        Port,
        MessageId,
        ColumnCount
    };
    // 1 for a seen row, 2 for a new one.
    static constexpr int SeenNewRole = Qt::UserRole + 1;

    explicit MailListModel(MailList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void rowsChanged(int firstRow, int lastRow);

    MailList& m_list;
};

} // namespace mervantic
