#pragma once

#include <QIcon>
#include <QIdentityProxyModel>
#include <QTreeView>

namespace mervantic {

class MailListModel;

// Shows the seen/new state of a mail row as its icon.
class MailIconsProxy final : public QIdentityProxyModel {
    Q_OBJECT

public:
    explicit MailIconsProxy(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    static QIcon seenIcon();
    static QIcon newIcon();

private:
    QIcon m_seen;
    QIcon m_new;
};

// The mail list on the "Mail Window" page.
class MailListView final : public QTreeView {
    Q_OBJECT

public:
    explicit MailListView(MailListModel& model, QWidget* parent = nullptr);

Q_SIGNALS:
    // A right-button release over the list, for its popup menu.
    void menuRequested(const QPoint& globalPosition);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MailIconsProxy m_icons;
};

} // namespace mervantic
