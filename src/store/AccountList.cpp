#include "store/AccountList.h"

namespace mervantic {

const AccountRow& AccountList::at(int row) const {
    return m_rows.at(static_cast<std::size_t>(row - 1));
}

AccountRow& AccountList::at(int row) {
    return m_rows.at(static_cast<std::size_t>(row - 1));
}

void AccountList::append(AccountRow row) {
    m_rows.push_back(std::move(row));
}

void AccountList::insert(int row, AccountRow account) {
    m_rows.insert(m_rows.begin() + (row - 1), std::move(account));
}

void AccountList::remove(int row) {
    m_rows.erase(m_rows.begin() + (row - 1));
}

bool AccountList::isItemChecked(int row) const {
    return row >= 1 && row <= count() && at(row).checked;
}

void AccountList::checkItem(int row) {
    if (row >= 1 && row <= count())
        at(row).checked = true;
}

void AccountList::uncheckItem(int row) {
    if (row >= 1 && row <= count())
        at(row).checked = false;
}

} // namespace mervantic
