#include "mail/MailList.h"

#include <algorithm>

namespace mervantic {

namespace {

bool inMailbox(const MailItem& item, const MailboxId& mailbox) {
    return item.field(MailItem::Username) == mailbox.username &&
           item.field(MailItem::Server) == mailbox.server &&
           item.field(MailItem::Port) == mailbox.port;
}

MailItem noMailRowOf(const MailItem& item) {
    MailItem emptied({item.field(MailItem::DisplayName), item.field(MailItem::Username), kNoMail,
                      kNoMail, kNoMail, kNoMail, kNoMail, kNoMail});
    emptied.icon = MailIcon::Seen;
    emptied.kind = RowKind::NoMail;
    return emptied;
}

bool sameAccount(const MailItem& a, const MailItem& b) {
    return a.field(MailItem::Username) == b.field(MailItem::Username) && a.password == b.password &&
           a.field(MailItem::Server) == b.field(MailItem::Server) &&
           a.field(MailItem::Port) == b.field(MailItem::Port);
}

} // namespace

void MailList::append(MailItem item) {
    const int row = count() + 1;
    Q_EMIT aboutToAppend(row, row);
    m_cost += item.cost();
    if (item.icon == MailIcon::New)
        ++m_newMessageCount;
    m_rows.push_back(std::move(item));
    Q_EMIT appended();
}

void MailList::changeAccount(const MailboxId& from, const MailboxId& to, const QString& displayName,
                             const QString& password) {
    if (from != to) {
        // What the list shows of the old mailbox is remembered first, so that it moves too.
        foldIntoMemory();
        m_memory.moveMailbox(from, to);
        Q_EMIT seenMemoryChanged();
    }
    int first = 0;
    int last = 0;
    for (int row = 1; row <= count(); ++row) {
        MailItem& item = m_rows[static_cast<std::size_t>(row - 1)];
        if (item.mailbox() != from)
            continue;
        item.setAccount(displayName, to);
        item.password = password;
        first = first == 0 ? row : first;
        last = row;
    }
    if (first == 0)
        return;
    recount();
    Q_EMIT rowsChanged(first, last);
}

void MailList::takeSnapshotAndClear() {
    foldIntoMemory();
    const auto previousCount = m_rows.size();
    removeAll();
    // The next check most likely finds as many messages again.
    m_rows.reserve(previousCount);
}

void MailList::addMessageRow(const QString& displayName, const QString& username,
                             const QString& password, const QString& from, const QString& subject,
                             const QString& dateShown, const QString& server, const QString& port,
                             const QString& messageId, const QString& dateSent) {
    MailItem item({displayName, username, from, subject, dateShown, server, port, messageId});
    item.number = count() + 1;
    item.password = password;
    item.digest = MessageDigest::of(from, subject, dateSent, messageId);
    const bool isNew = m_memory.lookup({username, server, port}, item.digest) != MailIcon::Seen;
    item.icon = isNew ? MailIcon::New : MailIcon::Seen;
    append(std::move(item));
}

std::vector<MailItem> MailList::messageRowsOf(const MailboxId& mailbox) const {
    std::vector<MailItem> rows;
    for (const MailItem& item : m_rows) {
        if (item.isMessage() && inMailbox(item, mailbox))
            rows.push_back(item);
    }
    return rows;
}

void MailList::addKeptRow(MailItem item) {
    item.number = count() + 1;
    if (m_memory.lookup(item.mailbox(), item.digest) == MailIcon::Seen)
        item.icon = MailIcon::Seen;
    append(std::move(item));
}

void MailList::addNoMailRow(const QString& displayName, const QString& username) {
    MailItem item({displayName, username, kNoMail, kNoMail, kNoMail, kNoMail, kNoMail, kNoMail});
    item.icon = MailIcon::Seen;
    item.kind = RowKind::NoMail;
    append(std::move(item));
}

void MailList::addFailureRow(const QString& displayName, const QString& username,
                             const QString& server, const QString& port, const QString& reason,
                             Remedy remedy) {
    MailItem item(
        {displayName, username, kCheckFailed, reason, QString(), server, port, QString()});
    item.icon = MailIcon::Seen;
    item.kind = RowKind::Failed;
    item.remedy = remedy;
    ++m_failureRows;
    append(std::move(item));
}

void MailList::setSeenMemory(SeenMemory memory) {
    m_memory = std::move(memory);
}

void MailList::rememberMailbox(const MailboxId& mailbox, int firstRow) {
    m_memory.forgetMailbox(mailbox);
    // From the last row back, so that the first of identical rows is the one remembered.
    for (int row = count(); row >= std::max(firstRow, 1); --row) {
        const MailItem& item = at(row);
        if (item.isMessage() && inMailbox(item, mailbox))
            m_memory.remember(mailbox, item.digest, item.icon);
    }
    Q_EMIT seenMemoryChanged();
}

void MailList::foldIntoMemory() {
    bool any = false;
    MailboxId mailbox;
    // From the last row back, so that the first of identical rows is the one remembered. The
    // rows of a mailbox follow each other: its names are taken once for all of them.
    for (auto item = m_rows.crbegin(); item != m_rows.crend(); ++item) {
        if (!item->isMessage())
            continue;
        if (!any || !inMailbox(*item, mailbox))
            mailbox = item->mailbox();
        m_memory.remember(mailbox, item->digest, item->icon);
        any = true;
    }
    if (any)
        Q_EMIT seenMemoryChanged();
}

void MailList::removeAll() {
    Q_EMIT aboutToReset();
    m_rows.clear();
    m_cost = 0;
    m_newMessageCount = 0;
    m_failureRows = 0;
    Q_EMIT reset();
}

void MailList::removeRow(int row) {
    Q_EMIT aboutToRemove(row, row);
    m_cost -= at(row).cost();
    if (at(row).icon == MailIcon::New)
        --m_newMessageCount;
    if (at(row).isFailure())
        --m_failureRows;
    m_rows.erase(m_rows.begin() + (row - 1));
    Q_EMIT removed();
}

void MailList::markAllSeen() {
    if (m_rows.empty())
        return;
    for (MailItem& item : m_rows)
        item.icon = MailIcon::Seen;
    m_newMessageCount = 0;
    Q_EMIT rowsChanged(1, count());
    foldIntoMemory();
}

void MailList::setIcon(int row, MailIcon icon) {
    MailItem& item = m_rows.at(static_cast<std::size_t>(row - 1));
    m_newMessageCount += (icon == MailIcon::New ? 1 : 0) - (item.icon == MailIcon::New ? 1 : 0);
    item.icon = icon;
    Q_EMIT rowsChanged(row, row);
}

void MailList::setMark(int row, QChar mark) {
    m_rows.at(static_cast<std::size_t>(row - 1)).mark = mark;
    Q_EMIT rowsChanged(row, row);
}

void MailList::makeNoMailRow(int row) {
    MailItem& item = m_rows.at(static_cast<std::size_t>(row - 1));
    MailItem emptied = noMailRowOf(item);
    m_cost += emptied.cost() - item.cost();
    if (item.icon == MailIcon::New)
        --m_newMessageCount;
    item = std::move(emptied);
    Q_EMIT rowsChanged(row, row);
}

int MailList::removeDeletedRows() {
    constexpr QChar kDeleted = QLatin1Char('D');
    const auto deleted = [&](const MailItem& item) {
        return item.isMessage() && item.mark == kDeleted;
    };
    if (std::none_of(m_rows.begin(), m_rows.end(), deleted))
        return 0;
    // An account whose rows all went keeps its first row, as a "(no mail)" row.
    std::vector<bool> keepsNoMailRow(m_rows.size(), false);
    std::size_t first = 0;
    bool allDeleted = false;
    const MailItem* previous = nullptr;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const MailItem& item = m_rows[i];
        if (!item.isMessage())
            continue;
        if (previous == nullptr || !sameAccount(item, *previous)) {
            if (previous != nullptr && allDeleted)
                keepsNoMailRow[first] = true;
            first = i;
            allDeleted = true;
        }
        allDeleted = allDeleted && deleted(item);
        previous = &item;
    }
    if (previous != nullptr && allDeleted)
        keepsNoMailRow[first] = true;

    Q_EMIT aboutToReset();
    std::vector<MailItem> kept;
    kept.reserve(m_rows.size());
    int gone = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (keepsNoMailRow[i]) {
            kept.push_back(noMailRowOf(m_rows[i]));
            ++gone;
        } else if (deleted(m_rows[i])) {
            ++gone;
        } else {
            kept.push_back(std::move(m_rows[i]));
        }
    }
    m_rows = std::move(kept);
    recount();
    Q_EMIT reset();
    return gone;
}

void MailList::recount() {
    m_cost = 0;
    m_newMessageCount = 0;
    m_failureRows = 0;
    for (const MailItem& item : m_rows) {
        m_cost += item.cost();
        m_newMessageCount += item.icon == MailIcon::New ? 1 : 0;
        m_failureRows += item.isFailure() ? 1 : 0;
    }
}

bool MailList::isItemChecked(int row) const {
    return row >= 1 && row <= count() && at(row).checked;
}

void MailList::checkItem(int row) {
    if (row < 1 || row > count() || at(row).isFailure())
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
        item.checked = checked && !item.isFailure();
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
        if (item.field(MailItem::Username) == selected.field(MailItem::Username) &&
            item.field(MailItem::Server) == selected.field(MailItem::Server) &&
            item.field(MailItem::Port) == selected.field(MailItem::Port) && !item.isFailure())
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
