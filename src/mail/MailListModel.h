#pragma once

#include "mail/MailList.h"
#include "store/VisibleText.h"

#include <QAbstractTableModel>
#include <QTimer>

namespace mervantic {

// The mail list as a table for the main window's view: eight columns with their header texts,
// a tick box per row while the delete functions are on, and the seen/new state as a role and as
// the first column's icon.
//
// Rows that a check appends can reach the views in batches: a view lays out and paints again at
// each insertion, which at the pace of a check (thousands of rows a second) would cost far more
// than reading the messages. With a batch interval, appended rows wait that long and then arrive
// in one insertion; anything else the list does shows the waiting rows first.
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
    // What the tool tip says, as plain text (the tool tip itself is escaped rich text).
    static constexpr int PlainToolTipRole = kPlainToolTipRole;

    explicit MailListModel(MailList& list, QObject* parent = nullptr);

    // How long appended rows may wait for the next batch; 0 shows each at once.
    void setBatchInterval(int ms) { m_batch.setInterval(ms); }
    // Shows the rows that wait for their batch.
    void showPendingRows();
    // The icons of the first column for a seen row, a new one and an account that failed
    // (nothing by default).
    void setIcons(const QVariant& seen, const QVariant& fresh, const QVariant& failed = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // A failure row's Subject as shown: what would mend the account, then why it failed.
    static QString failureText(const MailItem& item);

private:
    void rowsChanged(int firstRow, int lastRow);
    void rowAppended();

    MailList& m_list;
    // The rows the views know of; the list may hold more, waiting for their batch.
    int m_shown = 0;
    QTimer m_batch;
    QVariant m_seenIcon;
    QVariant m_newIcon;
    QVariant m_failedIcon;
};

} // namespace mervantic
