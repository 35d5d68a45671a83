// What a screen reader finds: the window by its caption, the status text, the log, each mail
// row's state, and the controls by the names they always had.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/StatusBar.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QPushButton>

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
