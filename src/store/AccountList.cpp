#include "store/AccountList.h"

namespace mervantic {

std::optional<int> portNumber(const QString& port, QString* why) {
    bool isNumber = false;
    const int number = port.trimmed().toInt(&isNumber);
    if (isNumber && number >= 1 && number <= 65535)
        return number;
    if (why != nullptr)
        *why = QStringLiteral("Port No. \"%1\" Is Not A Port Number (1 To 65535)").arg(port);
    return std::nullopt;
}

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
