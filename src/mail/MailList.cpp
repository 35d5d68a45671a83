#include "mail/MailList.h"

#include "store/AccountKey.h"

namespace mervantic {

MessageIdentity MessageIdentity::of(const MailItem& item) {
    return {item.username, item.server,   item.port,     item.from,
            item.subject,  item.dateSent, item.messageId};
}

size_t qHash(const MessageIdentity& identity, size_t seed) {
    return qHashMulti(seed, identity.username, identity.server, identity.port, identity.from,
                      identity.subject, identity.dateSent, identity.messageId);
}

void MailList::append(MailItem item) {
    const int row = count() + 1;
    Q_EMIT aboutToAppend(row, row);
    m_rows.push_back(std::move(item));
    Q_EMIT appended();
}

void MailList::takeSnapshotAndClear() {
    m_snapshot.clear();
    m_newMessageCount = 0;
    m_snapshot.reserve(count());
    for (const MailItem& item : m_rows) {
        if (item.isNoMail())
            continue;
        MessageIdentity identity = MessageIdentity::of(item);
        if (!m_snapshot.contains(identity))
            m_snapshot.insert(std::move(identity), item.icon);
    }
    removeAll();
}

void MailList::addMessageRow(const QString& displayName, const QString& username,
                             const QString& password, const QString& from, const QString& subject,
                             const QString& dateShown, const QString& server, const QString& port,
                             const QString& messageId) {
    MailItem item;
    item.displayName = displayName;
    item.username = username;
    item.from = from;
    item.subject = subject;
    item.dateSent = dateShown;
    item.server = server;
    item.port = port;
    item.messageId = messageId;
    item.key = AccountKey::make(count() + 1, password);

    const auto seen = m_snapshot.constFind(MessageIdentity::of(item));
    const bool isNew = seen == m_snapshot.cend() || *seen != MailIcon::Seen;
    item.icon = isNew ? MailIcon::New : MailIcon::Seen;
    if (isNew)
        ++m_newMessageCount;
    append(std::move(item));
}

void MailList::addNoMailRow(const QString& displayName, const QString& username) {
    MailItem item;
    item.displayName = displayName;
    item.username = username;
    item.from = item.subject = item.dateSent = item.server = item.port = item.messageId = kNoMail;
    item.icon = MailIcon::Seen;
    append(std::move(item));
}

void MailList::removeAll() {
    Q_EMIT aboutToReset();
    m_rows.clear();
    Q_EMIT reset();
}

void MailList::removeRow(int row) {
    Q_EMIT aboutToRemove(row, row);
    m_rows.erase(m_rows.begin() + (row - 1));
    Q_EMIT removed();
}

void MailList::markAllSeen() {
    if (m_rows.empty())
        return;
    for (MailItem& item : m_rows)
        item.icon = MailIcon::Seen;
    Q_EMIT rowsChanged(1, count());
}

void MailList::setIcon(int row, MailIcon icon) {
    m_rows.at(static_cast<std::size_t>(row - 1)).icon = icon;
    Q_EMIT rowsChanged(row, row);
}

void MailList::setKey(int row, const QString& key) {
    m_rows.at(static_cast<std::size_t>(row - 1)).key = key;
    Q_EMIT rowsChanged(row, row);
}

void MailList::makeNoMailRow(int row) {
    MailItem& item = m_rows.at(static_cast<std::size_t>(row - 1));
    item.checked = false;
    item.key.clear();
    item.icon = MailIcon::Seen;
    item.from = item.subject = item.dateSent = item.server = item.port = item.messageId = kNoMail;
    Q_EMIT rowsChanged(row, row);
}

bool MailList::isItemChecked(int row) const {
    return row >= 1 && row <= count() && at(row).checked;
}

void MailList::checkItem(int row) {
    if (row < 1 || row > count())
        return;
    m_rows[static_cast<std::size_t>(row - 1)].checked = true;
    Q_EMIT rowsChanged(row, row);
}

void MailList::uncheckItem(int row) {
    if (row < 1 || row > count())
        return;
    m_rows[static_cast<std::size_t>(row - 1)].checked = false;
    Q_EMIT rowsChanged(row, row);
}

void MailList::setAllChecked(bool checked) {
    if (!tickOperationsAllowed())
        return;
    for (MailItem& item : m_rows)
        item.checked = checked;
    Q_EMIT rowsChanged(1, count());
}

void MailList::checkAll() {
    setAllChecked(true);
}

void MailList::uncheckAll() {
    setAllChecked(false);
}

void MailList::setCheckedForUser(int row, bool checked) {
    if (!tickOperationsAllowed() || row < 1 || row > count())
        return;
    const MailItem selected = at(row);
    for (MailItem& item : m_rows) {
        if (item.username == selected.username && item.server == selected.server &&
            item.port == selected.port)
            item.checked = checked;
    }
    Q_EMIT rowsChanged(1, count());
}

void MailList::checkAllForUser(int row) {
    setCheckedForUser(row, true);
}

void MailList::uncheckAllForUser(int row) {
    setCheckedForUser(row, false);
}

void MailList::setDeleteFunctionsEnabled(bool on) {
    m_deleteFunctionsEnabled = on;
    if (!on) {
        for (MailItem& item : m_rows)
            item.checked = false;
    }
    Q_EMIT deleteFunctionsEnabledChanged(on);
    if (!m_rows.empty())
        Q_EMIT rowsChanged(1, count());
}

void MailList::setEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Q_EMIT enabledChanged(enabled);
}

} // namespace mervantic
