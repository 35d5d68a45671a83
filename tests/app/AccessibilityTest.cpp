// What a screen reader finds: the window by its caption, the status text, the log, each mail
// row's state, and the controls by the names they always had.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/MainMenus.h"
#include "app/MainWindow.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

class Accessibility : public test::ProgramFixture {
protected:
    static QAccessibleInterface* of(QObject* object) {
        return QAccessible::queryAccessibleInterface(object);
    }
};

TEST_F(Accessibility, TheWindowStatusAndLogReadAsWhatTheyShow) {
    start();
    QAccessibleInterface* window = of(&this->window());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Mervantic email"));

    this->window().statusBar()->showText(QStringLiteral("..Checking For Mail"));
    QAccessibleInterface* status = of(this->window().statusBar());
    EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral("..Checking For Mail"));
    EXPECT_EQ(status->text(QAccessible::Description), QStringLiteral("Status"));

    LogPane* log = this->window().logPane();
    log->append(QStringLiteral("+OK Logged in."));
    QAccessibleTextInterface* text = of(log)->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->text(0, text->characterCount()).contains(QStringLiteral("+OK Logged in.")));
    EXPECT_EQ(of(log)->text(QAccessible::Name), QStringLiteral("Log"));
}

TEST_F(Accessibility, EachMailRowSaysWhetherItIsNewAndWhetherItIsTicked) {
    start();
    MailList& mail = program->mail();
    mail.addMessageRow(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
                       QStringLiteral("Ann"), QStringLiteral("Hello"), QString(),
                       QStringLiteral("pop"), QStringLiteral("110"), QStringLiteral("<1@x>"));
    mail.addNoMailRow(QStringLiteral("Work"), QStringLiteral("bob"));
    auto* model = static_cast<MailListModel*>(window().mailListView()->model());
    model->showPendingRows();
    test::settle(); // the view lays its rows out
    // As the list view offers its cells to a screen reader.
    QAccessibleTableInterface* table = of(window().mailListView())->tableInterface();
    ASSERT_NE(table, nullptr);
    const auto description = [table](int row) {
        QAccessibleInterface* cell = table->cellAt(row, 0);
        return cell != nullptr ? cell->text(QAccessible::Description) : QStringLiteral("<none>");
    };
    EXPECT_EQ(description(0), QStringLiteral("New message"));
    EXPECT_EQ(description(1), QStringLiteral("Seen message"));
    find<QCheckBox>("Check4")->click(); // the delete functions on
    mail.checkItem(1);
    test::settle();
    EXPECT_EQ(description(0), QStringLiteral("New message, ticked for deletion"));
    EXPECT_EQ(description(1), QStringLiteral("Seen message, not ticked"));
    mail.markAllSeen();
    test::settle();
    EXPECT_EQ(description(0), QStringLiteral("Seen message, ticked for deletion"));
}

// What a screen reader's action menu or voice control does to a check box.
void toggleThroughAccessibility(QWidget* widget) {
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(widget)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
}

TEST_F(Accessibility, AnOptionToggledThroughAccessibilityActsAsAClickDoes) {
    addAccount(1101);
    start();
    MailList& mail = program->mail();
    mail.addMessageRow(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
                       QStringLiteral("Ann"), QStringLiteral("Hello"), QString(),
                       QStringLiteral("pop"), QStringLiteral("110"), QStringLiteral("<1@x>"));
    SettingsPage* page = window().settingsPage();

    toggleThroughAccessibility(page->check(OptionCheck::DeleteEnabled));
    EXPECT_TRUE(program->settings().options.deleteEnabled);
    EXPECT_TRUE(mail.deleteFunctionsEnabled());
    find<QPushButton>("Command5")->setEnabled(true); // as after a check
    toggleThroughAccessibility(page->check(OptionCheck::DeleteEnabled));
    EXPECT_FALSE(mail.deleteFunctionsEnabled());
    EXPECT_FALSE(enabled("Command5"));

    // The continuous alarm brings the sound with it, however it was ticked.
    toggleThroughAccessibility(page->check(OptionCheck::ContinuousAlarm));
    EXPECT_TRUE(program->settings().options.continuousAlarm);
    EXPECT_TRUE(program->settings().options.soundOnNewMail);
    EXPECT_TRUE(page->check(OptionCheck::SoundOnNewMail)->isChecked());
}

TEST_F(Accessibility, AMailRowIsTickedBySpaceAndByItsToggleActionAndSaysSo) {
    record.deleteEnabled = 1;
    start();
    MailList& mail = program->mail();
    for (const char* subject : {"First", "Second"})
        mail.addMessageRow(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
                           QStringLiteral("Ann"), QString::fromLatin1(subject), QString(),
                           QStringLiteral("pop"), QStringLiteral("110"),
                           QStringLiteral("<%1@x>").arg(QLatin1String(subject)));
    MailListView* view = window().mailListView();
    auto* model = static_cast<MailListModel*>(view->model());
    model->showPendingRows();
    test::settle();

    // Space on any cell of the current row ticks the row, and again unticks it.
    view->setFocus();
    view->setCurrentIndex(model->index(1, MailListModel::Subject));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(mail.at(2).checked);
    EXPECT_FALSE(mail.at(1).checked);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(mail.at(2).checked);

    // Through accessibility: the first cell is checkable, says whether it is ticked, and its
    // Toggle ticks the row.
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(view)->tableInterface();
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* first = table->cellAt(0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->state().checkable);
    EXPECT_FALSE(first->state().checked);
    EXPECT_FALSE(table->cellAt(0, MailListModel::Subject)->state().checkable);
    EXPECT_EQ(table->cellAt(0, MailListModel::Subject)->text(QAccessible::Name),
              QStringLiteral("First"));
    first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(mail.at(1).checked);
    EXPECT_TRUE(table->cellAt(0, 0)->state().checked);
    EXPECT_FALSE(table->isRowSelected(0)); // ticking is not selecting
    first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(mail.at(1).checked);

    // The header row comes first among the list's children, as in Qt's own views.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    EXPECT_EQ(list->child(MailListModel::Subject)->text(QAccessible::Name),
              QStringLiteral("Subject"));
    EXPECT_EQ(
        list->child(MailListModel::ColumnCount + MailListModel::Subject)->text(QAccessible::Name),
        QStringLiteral("First"));
    EXPECT_EQ(list->indexOfChild(table->cellAt(1, 2)), 2 * MailListModel::ColumnCount + 2);

    // Without the tick boxes a row has nothing to toggle.
    mail.setDeleteFunctionsEnabled(false);
    EXPECT_FALSE(table->cellAt(0, 0)->state().checkable);
    EXPECT_FALSE(table->cellAt(0, 0)->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::toggleAction()));
}

TEST_F(Accessibility, AnAccountIsTickedBySpaceAndByItsToggleActionAsByItsBox) {
    addAccount(1101);
    addAccount(1102);
    start();
    window().selectTab(Page::Accounts);
    auto* list = find<QTreeView>("ListView2");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 2));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(program->accounts().at(1).checked);
    EXPECT_TRUE(program->accounts().at(2).checked);

    QAccessibleInterface* box =
        QAccessible::queryAccessibleInterface(list)->tableInterface()->cellAt(0, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->state().checkable);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(program->accounts().at(1).checked);
    EXPECT_TRUE(box->state().checked);
}

// Where the desktop docks the icon by XEmbed, its menu is a Qt popup of the program's own; while
// it is open it must be found from the application, as a screen reader walks the tree.
QAccessibleInterface* findByRole(QAccessibleInterface* from, QAccessible::Role role,
                                 int depth = 0) {
    if (from == nullptr || depth > 6)
        return nullptr;
    if (from->role() == role && from->state().invisible == false)
        return from;
    for (int i = 0; i < from->childCount(); ++i)
        if (QAccessibleInterface* found = findByRole(from->child(i), role, depth + 1))
            return found;
    return nullptr;
}

TEST_F(Accessibility, TheIconsMenuIsFoundFromTheApplicationWithItsItems) {
    start();
    QMenu* menu = window().menus().tray;
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(test::waitUntil([menu] { return menu->isVisible(); }));
    QAccessibleInterface* popup =
        findByRole(QAccessible::queryAccessibleInterface(qApp), QAccessible::PopupMenu);
    ASSERT_NE(popup, nullptr);
    QStringList items;
    for (int i = 0; i < popup->childCount(); ++i)
        items << popup->child(i)->text(QAccessible::Name);
    EXPECT_EQ(items, (QStringList{QStringLiteral("Open"), QStringLiteral("Close"),
                                  QStringLiteral("Hide Menu")}));
    QAccessibleInterface* close = popup->child(1);
    ASSERT_NE(close->actionInterface(), nullptr);
    EXPECT_TRUE(close->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    menu->hide();
    EXPECT_EQ(findByRole(QAccessible::queryAccessibleInterface(qApp), QAccessible::PopupMenu),
              nullptr);
}

TEST_F(Accessibility, ControlsKeepTheirNames) {
    start();
    const std::pair<const char*, const char*> names[] = {
        {"Command1", "Check Mail"}, {"Command2", "Seen"},         {"Command5", "Delete Mail"},
        {"Command7", "Cancel"},     {"Command8", "Menu"},         {"Command15", "Log"},
        {"ListView1", "Mail list"}, {"Text10", "Timed re-check"},
    };
    for (const auto& [object, name] : names)
        EXPECT_EQ(of(find<QWidget>(object))->text(QAccessible::Name), QLatin1String(name))
            << object;
}

} // namespace
} // namespace mervantic
