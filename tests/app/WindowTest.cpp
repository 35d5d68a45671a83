#include "DovecotServer.h"
#include "EventLoop.h"
#include "Fakes.h"
#include "Printers.h"
#include "ProgramFixture.h"
#include "ScriptedSocket.h"
#include "app/AccountPage.h"
#include "app/Dialogs.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/MainMenus.h"
#include "app/Placement.h"
#include "app/Program.h"
#include "app/QtDialogs.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "app/Twips.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"
#include "platform/ClientSocket.h"
#include "platform/DateTimeText.h"
#include "platform/SystemClock.h"
#include "store/AccountKey.h"
#include "store/SettingsRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <deque>
#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::Script;

class WindowTest : public test::ProgramFixture {};

TEST_F(WindowTest, TheTabsShowOnePageEachAndSetTheMailButtons) {
    record.deleteEnabled = 1;
    start();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Mervantic email"));
    EXPECT_EQ(window().currentTab(), Page::Mail);
    EXPECT_TRUE(shown("ListView1"));
    EXPECT_FALSE(shown("Frame1"));
    EXPECT_FALSE(shown("Frame3"));

    struct Expect {
        int tab;
        bool mailList, settings, accounts, seen, deleteMail;
    };
    const Expect steps[] = {
        {2, false, true, false, false, false},
        {3, false, false, true, false, false},
        {1, true, false, false, true, true},
    };
    for (const Expect& e : steps) {
        QTabBar* tabs = find<QTabWidget>("TabStrip1")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(e.tab - 1).center());
        EXPECT_EQ(window().currentTab(), static_cast<Page>(e.tab));
        EXPECT_EQ(shown("ListView1"), e.mailList) << e.tab;
        EXPECT_EQ(shown("Frame1"), e.settings) << e.tab;
        EXPECT_EQ(shown("Frame3"), e.accounts) << e.tab;
        EXPECT_EQ(enabled("Command2"), e.seen) << e.tab;
        EXPECT_EQ(enabled("Command5"), e.deleteMail) << e.tab;
    }

    // With the delete functions off, "Delete Mail" stays disabled on the mail page.
    find<QCheckBox>("Check4")->click();
    EXPECT_FALSE(program->settings().options.deleteEnabled);
    window().selectTab(Page::Settings);
    window().selectTab(Page::Mail);
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_TRUE(enabled("Command2"));
}

TEST_F(WindowTest, TheSubPageArrowsShowExactlyOneSubPage) {
    start();
    window().selectTab(Page::Settings);
    SettingsPage* page = window().settingsPage();
    const auto visible = [page] {
        QList<int> pages;
        for (int p = 1; p <= 3; ++p)
            if (page->subPage(p)->isVisible())
                pages << p;
        return pages;
    };
    EXPECT_EQ(visible(), QList<int>{1});
    const std::pair<const char*, int> clicks[] = {
        {"Label8", 2}, {"Label11", 3}, {"Label13", 2}, {"Label10", 1}};
    for (const auto& [arrow, expected] : clicks) {
        QTest::mouseClick(find<QWidget>(arrow), Qt::LeftButton);
        EXPECT_EQ(visible(), QList<int>{expected}) << arrow;
    }
}

TEST_F(WindowTest, TheWindowDoesNotGoBelowItsMinimumSize) {
    start();
    window().resize(100, 100);
    test::settle();
    EXPECT_GE(window().width(), MainWindow::kMinimumSize.width());
    EXPECT_GE(window().height(), MainWindow::kMinimumSize.height());
    // At the minimum every control of the pages is inside its page.
    window().resize(MainWindow::kMinimumSize);
    test::settle();
    for (int tab = 1; tab <= 3; ++tab) {
        window().selectTab(static_cast<Page>(tab));
        for (QWidget* page : {static_cast<QWidget*>(window().settingsPage()),
                              static_cast<QWidget*>(window().accountPage())}) {
            if (!page->isVisible())
                continue;
            for (QWidget* child : page->findChildren<QWidget*>()) {
                if (!child->isVisibleTo(page) || child->parentWidget()->isHidden())
                    continue;
                const QRect inPage(child->mapTo(page, QPoint(0, 0)), child->size());
                EXPECT_TRUE(page->rect().contains(inPage))
                    << child->objectName().toStdString() << " of "
                    << page->objectName().toStdString();
            }
        }
    }
    for (const char* button : {"Command1", "Command2", "Command5", "Command8", "Command15"}) {
        const QRect geometry = find<QWidget>(button)->geometry();
        EXPECT_TRUE(window().rect().contains(geometry)) << button;
    }
}

TEST_F(WindowTest, CheckMailDisablesTheTabsAndButtonsUntilTheRunEnds) {
    record.deleteEnabled = 1;
    addAccount(1101);
    Script script = Script::loggedOn().expect("STAT").pause();
    script.serve("+OK 0 0\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    start();
    window().selectTab(Page::Accounts);

    QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([this] { return socket.paused(); }));
    EXPECT_EQ(window().currentTab(), Page::Mail); // the button selects the mail page first
    EXPECT_FALSE(enabled("Command1"));
    EXPECT_FALSE(shown("Command2"));
    EXPECT_TRUE(shown("Command7"));
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_FALSE(find<QTabWidget>("TabStrip1")->tabBar()->isEnabled());

    socket.resume();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(enabled("Command1"));
    EXPECT_TRUE(shown("Command2"));
    EXPECT_FALSE(shown("Command7"));
    EXPECT_TRUE(enabled("Command5"));
    EXPECT_TRUE(find<QTabWidget>("TabStrip1")->tabBar()->isEnabled());
    EXPECT_EQ(window().statusBar()->text().right(51),
              QStringLiteral("..Check Complete: No New Mail Items -Total Items: 0"));
    EXPECT_TRUE(
        window().windowTitle().startsWith(QStringLiteral("Mervantic email - last check: ")));
    EXPECT_TRUE(window().logPane()->content().endsWith(
        QStringLiteral("\r\n..Check Complete: No New Mail Items -Total Items: 0")));
    EXPECT_EQ(program->mail().count(), 1);
}

TEST_F(WindowTest, TheLogPaneCoversThePageAreaWholeOrItsRightHalf) {
    start();
    LogPane* log = window().logPane();
    EXPECT_FALSE(log->isVisible());
    QPushButton* logButton = find<QPushButton>("Command15");
    QTest::mouseClick(logButton, Qt::LeftButton);
    EXPECT_TRUE(log->isVisible());
    const auto expected = [this](int mode) {
        return Twips::toPixels(LogPane::placement(window().pageArea(), mode));
    };
    EXPECT_EQ(log->geometry(), expected(0));

    QTest::mousePress(logButton, Qt::RightButton);
    EXPECT_EQ(log->placementMode(), 1);
    for (const QSize size : {QSize(800, 500), QSize(500, 420), MainWindow::kMinimumSize}) {
        window().resize(size);
        test::settle();
        EXPECT_EQ(log->geometry(), expected(1)) << size.width();
        const QRect page = window().settingsPage()->geometry();
        EXPECT_NEAR(log->geometry().right(), page.right(), 1);
        EXPECT_NEAR(log->geometry().left(), page.left() + page.width() / 2, 1);
    }
    QTest::mousePress(logButton, Qt::RightButton);
    EXPECT_EQ(log->placementMode(), 0);
    EXPECT_EQ(log->geometry(), expected(0));

    // Hidden, it still changes where it will appear.
    QTest::mouseClick(logButton, Qt::LeftButton);
    EXPECT_FALSE(log->isVisible());
    QTest::mousePress(logButton, Qt::RightButton);
    EXPECT_FALSE(log->isVisible());
    EXPECT_EQ(log->geometry(), expected(1));
}

TEST_F(WindowTest, AStoredModeOtherThanZeroOrOneSplitsThePane) {
    record.logPaneMode = 7;
    start();
    EXPECT_EQ(window().logPane()->geometry(),
              Twips::toPixels(LogPane::placement(window().pageArea(), 1)));
    QTest::mousePress(find<QPushButton>("Command15"), Qt::RightButton);
    EXPECT_EQ(window().logPane()->placementMode(), 0);
}

TEST_F(WindowTest, TheFirstRunOpensOnTheAccountPage) {
    record.firstRunMarker = 0;
    start();
    EXPECT_EQ(window().currentTab(), Page::Accounts);
    EXPECT_TRUE(shown("Frame3"));
    EXPECT_FALSE(shown("ListView1"));
}

TEST_F(WindowTest, AutomaticCheckOnOpenStartsARunWhenTheWindowFirstShows) {
    record.autoCheckOnOpen = 1;
    addAccount(1101);
    socket.addScript(1101, Script::emptyMailbox());
    start();
    ASSERT_TRUE(test::waitUntil(
        [this] { return socket.scriptDone() && program->checker().phase() == RunPhase::Idle; }));
    EXPECT_EQ(socket.connections(), 1);
    EXPECT_EQ(program->mail().count(), 1);
}

TEST_F(WindowTest, TheFirstShowingSetsTheIntervalDateFormatAndToolTips) {
    record.recheckMinutes = 45;
    record.dateFormat = 4;
    start();
    EXPECT_EQ(find<QLineEdit>("Text6")->text(), QStringLiteral("45"));
    EXPECT_EQ(find<QComboBox>("ImageCombo1")->currentIndex(), 3);
    EXPECT_EQ(find<QPushButton>("Command1")->toolTip(),
              QStringLiteral("Check For Mail As Configured"));
    EXPECT_EQ(find<QWidget>("Text10")->toolTip(),
              QStringLiteral("Off - Timed Re-Check For Mail (dbl-click on/off)"));
    find<QCheckBox>("Check9")->click(); // "Disable Tool Tips"
    for (const char* name :
         {"Command1", "Command2", "Command3", "Command4", "Command5", "Command7", "Text1", "Text8",
          "Command12", "Command13", "Command14", "Text7", "Picture7", "Command15", "Text10"})
        EXPECT_EQ(find<QWidget>(name)->toolTip(), QString()) << name;
}

// The window reads the time from the program's clock: the last check is not shown once over ten
// years old, and a run's first log line carries the clock's moment.
TEST_F(WindowTest, TheLastCheckAndTheRunsStampFollowTheProgramsClock) {
    record.lastCheckTime = 46000.75; // 9 December 2025, 18:00
    clock.setNow(QDateTime(QDate(2036, 1, 2), QTime(8, 30, 5)));
    addAccount(1101);
    Script script = Script::loggedOn().expect("STAT");
    script.serve("+OK 0 0\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    start();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Mervantic email"));
    EXPECT_EQ(window().statusBar()->text(), QString());

    QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(window().logPane()->content().contains(
        DateTimeText::stamp(QDateTime(QDate(2036, 1, 2), QTime(8, 30, 5)))));
}

TEST_F(WindowTest, TheStatusBarClearsOnARightPressAndShowsTheLastCheck) {
    record.lastCheckTime = 46000.75; // 9 December 2025, 18:00
    start();
    EXPECT_TRUE(
        window().statusBar()->text().startsWith(QStringLiteral("Last Mail Check or Delete Was: ")));
    EXPECT_TRUE(
        window().windowTitle().startsWith(QStringLiteral("Mervantic email - last check: ")));
    window().logPane()->append(QStringLiteral("kept"));
    QTest::mousePress(window().statusBar(), Qt::RightButton);
    EXPECT_EQ(window().statusBar()->text(), QString());
    EXPECT_TRUE(window().logPane()->content().endsWith(QStringLiteral("kept")));
}

TEST_F(WindowTest, ClosingWritesTheSettingsWithTheNormalGeometryAndTheAccounts) {
    addAccount(1101);
    start();
    window().move(40, 30);
    window().resize(640, 400);
    test::settle();
    QTest::mousePress(find<QPushButton>("Command15"), Qt::RightButton); // split log
    find<QCheckBox>("Check3")->click();                                 // RETR
    const QPoint place = window().pos();
    const QSize size = window().size();
    window().showMaximized();
    test::settle();
    ASSERT_TRUE(window().close());
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 626);
    const SettingsRecord saved = SettingsRecord::fromBytes(bytes);
    // Maximized: the geometry of the normal state is what is kept, the frame's place and the
    // window's own size.
    EXPECT_EQ(saved.windowLeft, place.x() * 15.0f);
    EXPECT_EQ(saved.windowTop, place.y() * 15.0f);
    EXPECT_EQ(saved.windowWidth, 640 * 15.0f);
    EXPECT_EQ(saved.windowHeight, 400 * 15.0f);
    EXPECT_EQ(size, QSize(640, 400));
    EXPECT_EQ(saved.useRetr, 1);
    EXPECT_EQ(saved.logPaneMode, 1);
    EXPECT_EQ(saved.firstRunMarker, 1);
    EXPECT_EQ(saved.mailColWidth1, 1440.0f);
    AccountList reread;
    AccountFile(accountFile()).load(reread);
    ASSERT_EQ(reread.count(), 1);
    EXPECT_EQ(reread.at(1).key, QStringLiteral("K1Psecret"));
}

TEST_F(WindowTest, ColumnWidthsShowAsStoredAndAWidenedColumnIsSavedInTwips) {
    record.mailColWidth3 = 3000.0f;
    record.userColWidth2 = 2250.0f;
    start();
    QHeaderView* mailHeader = find<MailListView>("ListView1")->header();
    QHeaderView* accountHeader = find<QTreeView>("ListView2")->header();
    EXPECT_EQ(mailHeader->sectionSize(2), 200);
    EXPECT_EQ(accountHeader->sectionSize(1), 150);
    mailHeader->resizeSection(0, 111);
    accountHeader->resizeSection(3, 47);
    ASSERT_TRUE(window().close());
    const SettingsRecord saved = savedSettings();
    EXPECT_EQ(saved.mailColWidth1, 111 * 15.0f);
    EXPECT_EQ(saved.mailColWidth3, 3000.0f);
    EXPECT_EQ(saved.userColWidth2, 2250.0f);
    EXPECT_EQ(saved.userColWidth4, 47 * 15.0f);
}

// The seven visible columns fill the list exactly, "Message_ID" beginning at its right edge.
int visibleColumnsWidth(const QHeaderView* header) {
    int sum = 0;
    for (int column = 0; column <= MailListModel::Port; ++column)
        sum += header->sectionSize(column);
    return sum;
}

TEST_F(WindowTest, SubjectTakesTheSpareWidthAndTheTickBoxGetsItsRoomWithoutEitherBeingStored) {
    record.deleteEnabled = 1;
    record.windowWidth = 900 * 15;
    start();
    MailListView* view = find<MailListView>("ListView1");
    QHeaderView* header = view->header();
    const int room = view->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view);
    EXPECT_EQ(header->sectionSize(MailListModel::Port), 96);
    EXPECT_GE(header->sectionSize(MailListModel::DisplayName),
              header->sectionSizeHint(MailListModel::DisplayName) + room);
    EXPECT_GT(header->sectionSize(MailListModel::Subject), 96 + 50);
    EXPECT_EQ(visibleColumnsWidth(header), view->viewport()->width());

    // Widening the window, or narrowing another column, gives Subject the difference.
    const int subject = header->sectionSize(MailListModel::Subject);
    const int listWidth = view->viewport()->width();
    window().resize(window().width() + 100, window().height());
    test::settle();
    const int wider = view->viewport()->width() - listWidth;
    EXPECT_GT(wider, 50);
    EXPECT_EQ(header->sectionSize(MailListModel::Subject), subject + wider);
    header->resizeSection(MailListModel::From, 60);
    EXPECT_EQ(header->sectionSize(MailListModel::Subject), subject + wider + 36);
    EXPECT_EQ(visibleColumnsWidth(header), view->viewport()->width());

    // Without the tick boxes the display name gives the room back.
    const int withBoxes = header->sectionSize(MailListModel::DisplayName);
    window().settingsPage()->check(OptionCheck::DeleteEnabled)->click();
    ASSERT_FALSE(program->mail().deleteFunctionsEnabled());
    EXPECT_LE(header->sectionSize(MailListModel::DisplayName), withBoxes - room);
    EXPECT_EQ(visibleColumnsWidth(header), view->viewport()->width());
    window().settingsPage()->check(OptionCheck::DeleteEnabled)->click();
    EXPECT_EQ(header->sectionSize(MailListModel::DisplayName), withBoxes);

    ASSERT_TRUE(window().close());
    const SettingsRecord saved = savedSettings();
    EXPECT_EQ(saved.mailColWidth1, 1440.0f);
    EXPECT_EQ(saved.mailColWidth3, 60 * 15.0f);
    EXPECT_EQ(saved.mailColWidth4, 1440.0f);
}

// At the size the window opens with, the columns no one sized show their names, addresses and
// dates whole before Subject takes what is left; a column the user sized keeps that width, and
// only the user's widths are stored.
TEST_F(WindowTest, ColumnsNeverSizedShowWhatTheyHoldAtTheOpeningSize) {
    const QString name = QStringLiteral("Alice Lambert-Whitfield");
    const QString from = QStringLiteral("Bartholomew Quincy <bq@example.org>");
    accounts.append({name, QStringLiteral("alice.lambert"), QStringLiteral("pop.example.org"),
                     QStringLiteral("995"), AccountKey::make(1, QStringLiteral("pw")), false});
    // The widths a new user has: every column at its design width.
    record.mailColWidth3 = 2000;
    record.mailColWidth4 = 3300;
    record.mailColWidth5 = 2200;
    start();
    window().resize(MainWindow::kMinimumSize);
    const QString pw = QStringLiteral("pw");
    program->mail().addMessageRow(name, QStringLiteral("alice.lambert"), pw, from,
                                  QStringLiteral("Hello"), QStringLiteral("Thu 10 Dec 2026 09:15"),
                                  QStringLiteral("pop.example.org"), QStringLiteral("995"),
                                  QStringLiteral("<1@example.org>"));
    MailListView* view = find<MailListView>("ListView1");
    QHeaderView* header = view->header();
    const auto needs = [&](QTreeView* list, const QString& text) {
        return list->fontMetrics().horizontalAdvance(text);
    };
    ASSERT_TRUE(test::waitUntil([&] {
        return header->sectionSize(MailListModel::From) >= needs(view, from);
    })) << header->sectionSize(MailListModel::From);
    EXPECT_GE(header->sectionSize(MailListModel::DisplayName), needs(view, name));
    EXPECT_GE(header->sectionSize(MailListModel::DateSent),
              needs(view, QStringLiteral("Thu 10 Dec 2026 09:15")));
    // Subject is cut first: no wider than it was designed.
    EXPECT_LE(header->sectionSize(MailListModel::Subject), 220);

    window().selectTab(Page::Accounts);
    QTreeView* accountsList = find<QTreeView>("ListView2");
    ASSERT_TRUE(test::waitUntil(
        [&] { return accountsList->header()->sectionSize(0) >= needs(accountsList, name); }));
    EXPECT_GE(accountsList->header()->sectionSize(1),
              needs(accountsList, QStringLiteral("alice.lambert")));

    // The user's width stays, and is what is stored; the others store their design widths.
    header->resizeSection(MailListModel::Username, 50);
    program->mail().addMessageRow(name, QStringLiteral("alice.lambert"), pw, from,
                                  QStringLiteral("2"), QString(), QStringLiteral("pop.example.org"),
                                  QStringLiteral("995"), QStringLiteral("<2@example.org>"));
    test::settle();
    EXPECT_EQ(header->sectionSize(MailListModel::Username), 50);
    ASSERT_TRUE(window().close());
    const SettingsRecord saved = savedSettings();
    EXPECT_EQ(saved.mailColWidth1, 1440.0f);
    EXPECT_EQ(saved.mailColWidth2, 50 * 15.0f);
    EXPECT_EQ(saved.mailColWidth3, 2000.0f);
    EXPECT_EQ(saved.userColWidth1, 1440.0f);
}

TEST_F(WindowTest, TheTimeOutButtonsStepTheSecondsWhileHeld) {
    start();
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(2);
    QPushButton* up = find<QPushButton>("Command9");
    QTest::mousePress(up, Qt::LeftButton);
    QTimer::singleShot(100, [up] { QTest::mouseRelease(up, Qt::LeftButton); });
    ASSERT_TRUE(test::waitUntil(
        [&] { return !up->isDown() && program->settings().options.serverTimeoutMs == 181000; }));
    EXPECT_EQ(find<QLineEdit>("Text9")->text(), QStringLiteral("181"));
    QPushButton* down = find<QPushButton>("Command6");
    QTest::mousePress(down, Qt::LeftButton, Qt::ControlModifier);
    QTimer::singleShot(100,
                       [down] { QTest::mouseRelease(down, Qt::LeftButton, Qt::ControlModifier); });
    ASSERT_TRUE(test::waitUntil(
        [&] { return !down->isDown() && program->settings().options.serverTimeoutMs == 171000; }));
}

// The mail list's menu opens only with rows, the list enabled, no run in progress and the
// delete functions on; its items tick and untick rows.
TEST_F(WindowTest, TheMailListMenuOpensOnlyWhenItsItemsCanAct) {
    addAccount(1101);
    Script script = Script::loggedOn().expect("STAT").pause();
    script.serve("+OK 0 0\r\n").expect("QUIT").serve("+OK bye\r\n");
    socket.addScript(1101, script);
    start();
    MailList& mail = program->mail();
    MailListView* view = window().mailListView();
    QMenu* menu = window().menus().mailList;
    const auto rightClick = [&] {
        menu->hide();
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, QPoint(20, 10));
        const bool shown = menu->isVisible();
        menu->hide();
        return shown;
    };
    const auto addRows = [&] {
        for (const char* user : {"alice", "bob"})
            mail.addMessageRow(QStringLiteral("Box"), QLatin1String(user), QStringLiteral("pw"),
                               QStringLiteral("Ann"), QStringLiteral("Hi"), QString(),
                               QStringLiteral("pop"), QStringLiteral("110"), QStringLiteral("<1>"));
        mail.addNoMailRow(QStringLiteral("Box"), QStringLiteral("alice"));
        static_cast<MailListModel*>(view->model())->showPendingRows();
    };

    EXPECT_FALSE(rightClick()); // no rows, delete functions off
    find<QCheckBox>("Check4")->click();
    EXPECT_FALSE(rightClick()); // no rows
    addRows();
    EXPECT_TRUE(rightClick());
    mail.setEnabled(false);
    EXPECT_FALSE(rightClick()); // the list disabled
    mail.setEnabled(true);
    find<QCheckBox>("Check4")->click();
    EXPECT_FALSE(rightClick()); // the delete functions off
    find<QCheckBox>("Check4")->click();

    window().menus().checkAll->trigger();
    EXPECT_TRUE(mail.isItemChecked(1) && mail.isItemChecked(2) && mail.isItemChecked(3));
    view->setCurrentIndex(view->model()->index(0, 0));
    window().menus().uncheckAllForUser->trigger(); // alice's message row, not her "(no mail)" row
    EXPECT_FALSE(mail.isItemChecked(1));
    EXPECT_TRUE(mail.isItemChecked(2));
    EXPECT_TRUE(mail.isItemChecked(3));
    window().menus().uncheckAll->trigger();
    view->setCurrentIndex(view->model()->index(2, 0));
    window().menus().checkAllForUser->trigger();
    EXPECT_FALSE(mail.isItemChecked(1));
    EXPECT_TRUE(mail.isItemChecked(3));

    // While a run is in progress.
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return socket.paused(); }));
    addRows();
    EXPECT_FALSE(rightClick());
    socket.resume();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(rightClick());
}

// As a user deletes mail: the delete functions switched on in the settings, a check, rows ticked
// in the list, "Delete Mail" and Yes. The ticked messages leave the real server's maildir.
TEST_F(WindowTest, TickedRowsDeletedThroughTheWindowLeaveTheServer) {
    test::DovecotServer& server = test::DovecotServer::shared();
    ASSERT_TRUE(server.isRunning()) << server.why().toStdString();
    server.addUser(QStringLiteral("windowdelete"), QStringLiteral("pw"));
    for (int n = 1; n <= 3; ++n)
        server.deliver(QStringLiteral("windowdelete"),
                       "From: a@example.org\r\nSubject: Message " + QByteArray::number(n) +
                           "\r\nMessage-ID: <" + QByteArray::number(n) +
                           "@example.org>\r\n\r\nbody\r\n");
    accounts.append({QStringLiteral("Real"), QStringLiteral("windowdelete"),
                     QStringLiteral("127.0.0.1"), QString::number(server.port()),
                     AccountKey::make(1, QStringLiteral("pw")), false});
    ClientSocket realSocket;
    SystemClock realClock;
    network = &realSocket;
    networkClock = &realClock;
    start();
    program->checker().connection().setSettleWaitMs(0);
    program->checker().connection().setCloseWaitMs(0);

    window().selectTab(Page::Settings);
    find<QCheckBox>("Check4")->click(); // "Enable Functions To Delete Messages On POP3 Server"
    QTest::mouseClick(find<QPushButton>("Command1"), Qt::LeftButton); // "Check Mail"
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    QAbstractItemModel* model = window().mailListView()->model();
    ASSERT_EQ(model->rowCount(), 3);
    for (const int row : {0, 2})
        ASSERT_TRUE(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(enabled("Command5"));
    dialogs.holdAnswers = true;
    QTest::mouseClick(find<QPushButton>("Command5"), Qt::LeftButton); // "Delete Mail"
    EXPECT_EQ(
        dialogs.questions,
        QStringList{QStringLiteral(
            "Confirm: Permanently Delete All Mail Items w/CheckBox Ckecked From The Server?")});
    EXPECT_EQ(dialogs.details,
              QStringList{QStringLiteral("2 Mail Items On 1 Account Will Be Deleted.")});
    EXPECT_EQ(dialogs.noByDefault, QList<bool>{true});
    // While the question is open nothing can start another run or ask again.
    test::settle();
    EXPECT_FALSE(enabled("Command5"));
    EXPECT_FALSE(enabled("Command1"));
    dialogs.answerPending(true);
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    const QList<QByteArray> left = server.mailbox(QStringLiteral("windowdelete"));
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left.first().contains("Subject: Message 2"));
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, MailListModel::Subject).data().toString(),
              QStringLiteral("Message 2"));
    EXPECT_TRUE(window().statusBar()->text().endsWith(
        QStringLiteral("..Delete Complete: Deleted 2 Mail Items")));
    EXPECT_TRUE(enabled("Command5"));
    EXPECT_TRUE(enabled("Command1"));
}

TEST(Placement, AStoredPlaceThatDoesNotFitTheScreenIsMovedAndShrunkIntoIt) {
    const QRect screen(0, 0, 1280, 800);
    const QSize least(384, 367);
    const struct {
        const char* name;
        QRect stored;
        QRect placed;
    } cases[] = {
        {"fits", QRect(100, 80, 700, 450), QRect(100, 80, 700, 450)},
        {"too far right", QRect(900, 80, 700, 450), QRect(580, 80, 700, 450)},
        {"too wide", QRect(598, 80, 1364, 450), QRect(0, 80, 1280, 450)},
        {"too tall and too low", QRect(10, 500, 700, 1000), QRect(10, 0, 700, 800)},
        {"above and left of the screen", QRect(-300, -50, 700, 450), QRect(0, 0, 700, 450)},
        {"a screen smaller than the least size", QRect(0, 0, 700, 450), QRect(0, 0, 384, 367)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect available = std::string(c.name) == "a screen smaller than the least size"
                                    ? QRect(0, 0, 300, 300)
                                    : screen;
        EXPECT_EQ(Placement::fitted(c.stored, available, least), c.placed);
    }
}

// The desktop's question box for a delete: the count under the question, and No as the button
// that Enter presses.
TEST(QtDialogsTest, AQuestionWhoseYesCannotBeUndoneDefaultsToNo) {
    QtDialogs dialogs;
    std::optional<bool> answer;
    dialogs.ask({QStringLiteral("Confirm: Permanently Delete All Mail Items w/CheckBox Ckecked "
                                "From The Server?"),
                 QStringLiteral("3 Mail Items On 1 Account Will Be Deleted."), true},
                [&](bool yes) { answer = yes; });
    QMessageBox* box = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible())
                box = found;
        return box != nullptr;
    }));
    EXPECT_EQ(box->informativeText(), QStringLiteral("3 Mail Items On 1 Account Will Be Deleted."));
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    EXPECT_FALSE(*answer);
}

TEST_F(WindowTest, AnAccountFileThatIsAFolderIsNamedAndLeftAlone) {
    QDir().mkpath(accountFile());
    start();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("The Username File ") + accountFile() +
                          QStringLiteral(" Is A Folder, Not A File: No Usernames Were Loaded, "
                                         "And The File Is Left As It Is")});
    EXPECT_TRUE(program->accounts().isEmpty());
    window().closeByProgram();
    EXPECT_TRUE(QFileInfo(accountFile()).isDir());
}

// A file the program could not read is said so once, never written by that run, and the list
// shows what it holds: an account added meanwhile is refused, not kept in the list alone.
TEST_F(WindowTest, AnAccountFileThatCouldNotBeReadIsNeverWritten) {
    QDir().mkpath(dataFolder());
    {
        QFile big(accountFile());
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write("Home");
        ASSERT_TRUE(big.resize(AccountFile::kMostAccounts * AccountFile::kRecordSize + 1));
    }
    writeAccountFile = false;
    start();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("The Username File ") + accountFile() +
                          QStringLiteral(" Holds More Than 10000 Usernames: No Usernames Were "
                                         "Loaded, And The File Is Left As It Is")});
    window().selectTab(Page::Accounts);
    AccountPage* page = window().accountPage();
    page->usernameBox()->setText(QStringLiteral("alice"));
    page->passwordBox()->setText(QStringLiteral("pw"));
    page->serverBox()->setText(QStringLiteral("pop.example.org"));
    QTest::mouseClick(page->addButton(), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages.last().startsWith(
        QStringLiteral("Usernames Cannot Be Changed: The Username File ")));
    EXPECT_TRUE(program->accounts().isEmpty());
    window().closeByProgram();
    EXPECT_EQ(dialogs.messages.size(), 2); // said once, not again at the close
    QFile after(accountFile());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.size(), AccountFile::kMostAccounts * AccountFile::kRecordSize + 1);
    EXPECT_EQ(after.read(4), QByteArray("Home"));
}

} // namespace
} // namespace mervantic
