#include "app/AccountPageController.h"

#include "app/AccountEditor.h"
#include "app/AccountPage.h"
#include "app/MainMenus.h"
#include "platform/Beeper.h"
#include "store/AccountListModel.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

namespace mervantic {

namespace {

AccountEntry entryOf(const AccountPage& page) {
    return {page.displayNameBox()->text(),
            page.usernameBox()->text(),
            page.passwordBox()->text(),
            page.serverBox()->text(),
            page.portBox()->text(),
            static_cast<Security>(page.securityBox()->currentData().toInt())};
}

void showSecurity(AccountPage& page, Security security) {
    QComboBox* box = page.securityBox();
    box->setCurrentIndex(box->findData(static_cast<int>(security)));
}

// The boxes as the editor left them (the port box keeps its text).
void showEntry(AccountPage& page, const AccountEntry& boxes) {
    page.displayNameBox()->setText(boxes.displayName);
    page.usernameBox()->setText(boxes.username);
    page.passwordBox()->setText(boxes.password);
    page.serverBox()->setText(boxes.server);
}

} // namespace

AccountPageController::AccountPageController(AccountPage& page, AccountListModel& model,
                                             AccountEditor& editor, MainMenus& menus,
                                             Beeper& beeper, QObject* parent)
    : QObject(parent)
    , m_page(page)
    , m_model(model)
    , m_editor(editor)
    , m_beeper(beeper) {
    connect(page.addButton(), &QPushButton::clicked, this, &AccountPageController::add);
    const auto removeSelected = [this] { m_editor.remove(selectedRow()); };
    connect(page.deleteButton(), &QPushButton::clicked, this, removeSelected);
    connect(menus.deleteSelected, &QAction::triggered, this, removeSelected);
    connect(menus.moveUp, &QAction::triggered, this, [this] { move(&AccountEditor::moveUp); });
    connect(menus.moveDown, &QAction::triggered, this, [this] { move(&AccountEditor::moveDown); });
    connect(menus.moveToTop, &QAction::triggered, this,
            [this] { move(&AccountEditor::moveToTop); });
    connect(menus.moveToBottom, &QAction::triggered, this,
            [this] { move(&AccountEditor::moveToBottom); });
    connect(menus.changePassword, &QAction::triggered, this,
            &AccountPageController::changePassword);
    connect(menus.copyToBoxes, &QAction::triggered, this, [this] {
        if (const int row = selectedRow(); row != 0) {
            const AccountEntry boxes = m_editor.entryOf(row);
            showEntry(m_page, boxes);
            m_page.portBox()->setText(boxes.port);
            showSecurity(m_page, boxes.security.value_or(defaultSecurity(boxes.port)));
        }
    });
    connect(menus.changeToBoxes, &QAction::triggered, this, [this] {
        AccountEntry boxes = entryOf(m_page);
        m_editor.edit(selectedRow(), boxes);
        showEntry(m_page, boxes);
    });
    connect(&page, &AccountPage::menuRequested, menus.account,
            [menu = menus.account](const QPoint& at) { menu->popup(at); });
    const auto trustSelected = [this] { m_editor.trustCertificate(selectedRow()); };
    connect(page.trustButton(), &QPushButton::clicked, this, trustSelected);
    connect(menus.trustCertificate, &QAction::triggered, this, trustSelected);
    connect(page.portBox(), &QLineEdit::textChanged, this, &AccountPageController::filterPort);
    // A port typed brings its usual security (TLS on 995, STARTTLS when offered elsewhere); a
    // port shown from the list keeps the account's.
    connect(page.portBox(), &QLineEdit::textEdited, this,
            [this] { showSecurity(m_page, defaultSecurity(m_page.portBox()->text())); });
    // A display name is edited in place with F2 or a click on the selected row, as in a file
    // manager; Enter and a double-click open the account's own window.
    page.list()->setEditTriggers(QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    model.setRenameHandler(
        [this](int row, const QString& name) { return m_editor.rename(row, name); });
}

int AccountPageController::selectedRow() const {
    const QModelIndexList rows = m_page.list()->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void AccountPageController::selectRow(int row) {
    m_page.list()->setCurrentIndex(m_model.index(row - 1, 0));
}

void AccountPageController::add() {
    AccountEntry boxes = entryOf(m_page);
    m_editor.add(boxes);
    showEntry(m_page, boxes);
}

void AccountPageController::changePassword() {
    AccountEntry boxes = entryOf(m_page);
    m_editor.changePassword(selectedRow(), boxes);
    showEntry(m_page, boxes);
}

void AccountPageController::move(int (AccountEditor::*moveRow)(int)) {
    const int row = selectedRow();
    if (row != 0)
        selectRow((m_editor.*moveRow)(row));
}

void AccountPageController::filterPort(const QString& text) {
    const AccountEditor::PortCheck check = AccountEditor::filterPort(text);
    if (check.beep)
        m_beeper.beep();
    if (check.text != text)
        m_page.portBox()->setText(check.text);
}

} // namespace mervantic
