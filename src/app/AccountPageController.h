#pragma once

#include <QObject>

namespace mervantic {

class AccountEditor;
class AccountListModel;
class AccountPage;
class Beeper;
class MainMenus;

// Joins the account page and the account list's menu to the account editor: "Add", "Delete",
// the moves, the new password, the port box's filter and the display name edited in place.
class AccountPageController final : public QObject {
    Q_OBJECT

public:
    AccountPageController(AccountPage& page, AccountListModel& model, AccountEditor& editor,
                          MainMenus& menus, Beeper& beeper, QObject* parent = nullptr);

private:
    // The account list's selected row (from 1), 0 when none is selected.
    int selectedRow() const;
    void selectRow(int row);
    void add();
    void changePassword();
    void move(int (AccountEditor::*moveRow)(int));
    void filterPort(const QString& text);

    AccountPage& m_page;
    AccountListModel& m_model;
    AccountEditor& m_editor;
    Beeper& m_beeper;
};

} // namespace mervantic
