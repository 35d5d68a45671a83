#include "mail/DeletionPlan.h"

#include "mail/MailList.h"

namespace mervantic {

namespace {

bool sameAccount(const AccountBlock& block, const MailItem& item) {
    return block.username == item.field(MailItem::Username) && block.password == item.password &&
           block.server == item.field(MailItem::Server) && block.port == item.field(MailItem::Port);
}

} // namespace

DeletionPlan DeletionPlan::of(const MailList& list) {
    DeletionPlan plan;
    for (int row = 1; row <= list.count(); ++row) {
        const MailItem& item = list.at(row);
        if (!item.isMessage() || !item.checked)
            continue;
        if (plan.m_blocks.empty() || !sameAccount(plan.m_blocks.back(), item)) {
            AccountBlock block;
            block.displayName = item.displayName();
            block.username = item.username();
            block.password = item.password;
            block.server = item.server();
            block.port = item.port();
            block.firstRow = row;
            plan.m_blocks.push_back(std::move(block));
        }
        AccountBlock& block = plan.m_blocks.back();
        block.lastRow = row;
        ++block.tickedRows;
        block.rowsByMessage[item.digest].append(row);
    }
    return plan;
}

int DeletionPlan::rowFor(const MailList& list, std::size_t block,
                         const MessageDigest& message) const {
    const auto rows = m_blocks[block].rowsByMessage.constFind(message);
    if (rows == m_blocks[block].rowsByMessage.cend())
        return 0;
    for (const int row : *rows) {
        if (row <= list.count() && list.isItemChecked(row) && list.at(row).mark != QLatin1Char('D'))
            return row;
    }
    return 0;
}

int DeletionPlan::rowsNotFound(const MailList& list) const {
    int notFound = 0;
    for (const AccountBlock& block : m_blocks) {
        if (!block.visited)
            continue;
        for (const auto& rows : block.rowsByMessage) {
            for (const int row : rows) {
                if (row <= list.count() && list.at(row).mark != QLatin1Char('D'))
                    ++notFound;
            }
        }
    }
    return notFound;
}

} // namespace mervantic
