#include "FakeFolders.h"
#include "Printers.h"
#include "ProgramFixture.h"
#include "SmallDisk.h"
#include "app/AccountPage.h"
#include "app/MailListView.h"
#include "app/MainMenus.h"
#include "app/SettingsPage.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"
#include "mail/MessageIdentity.h"
#include "mail/SeenMemory.h"
#include "pop3/Apop.h"
#include "store/PasswordScrambler.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::Script;

// The account page driven with the mouse and keyboard; after each step the account file on disk
// is compared with what the page shows.
class AccountEditing : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        start();
        window().selectTab(Page::Accounts);
        page = window().accountPage();
    }

    void type(QLineEdit* box, const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
    }

    void fill(const QString& display, const QString& user, const QString& password,
              const QString& server, const QString& port) {
        type(page->displayNameBox(), display);
        type(page->usernameBox(), user);
        type(page->passwordBox(), password);
        type(page->serverBox(), server);
        type(page->portBox(), port);
    }

    // Text the keyboard helpers cannot type, put into the boxes as a paste would.
    void paste(const QString& display, const QString& user, const QString& password,
               const QString& server, const QString& port) {
        page->displayNameBox()->setText(display);
        page->usernameBox()->setText(user);
        page->passwordBox()->setText(password);
        page->serverBox()->setText(server);
        page->portBox()->setText(port);
    }

    void clickAdd() { QTest::mouseClick(page->addButton(), Qt::LeftButton); }

    void select(int row) {
        QTreeView* list = page->list();
        list->setCurrentIndex(list->model()->index(row - 1, 0));
    }

    void menu(const char* item) {
        window().menus().account->findChild<QAction*>(QString::fromLatin1(item))->trigger();
    }

    // The file holds, in order, what the list shows (ports as numbers), and a fresh load shows
    // the same list.
    void expectFileMatchesList() {
        const AccountList& shown = program->accounts();
        if (shown.isEmpty()) {
            EXPECT_FALSE(QFile::exists(accountFile()) && QFileInfo(accountFile()).size() > 0);
            return;
        }
        QFile file(accountFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_EQ(bytes.size(), shown.count() * AccountFile::kRecordSize);
        AccountList loaded;
        AccountFile(accountFile()).load(loaded);
        ASSERT_EQ(loaded.count(), shown.count());
        for (int i = 1; i <= shown.count(); ++i) {
            const QByteArray stored =
                bytes.mid((i - 1) * AccountFile::kRecordSize, AccountFile::kRecordSize);
            const AccountRow& row = shown.at(i);
            EXPECT_EQ(stored.left(64), row.displayName.toLatin1().leftJustified(64, ' ')) << i;
            EXPECT_EQ(stored.mid(64, 64), row.username.toLatin1().leftJustified(64, ' ')) << i;
            EXPECT_EQ(PasswordScrambler::unscrambleChunk(QString::fromLatin1(stored.mid(128, 64))),
                      AccountKey::password(row.key).value_or(QString()))
                << i;
            EXPECT_EQ(stored.mid(192, 256), row.server.toLatin1().leftJustified(256, ' ')) << i;
            EXPECT_EQ(loaded.at(i).port, QString::number(row.port.toInt())) << i;
            EXPECT_EQ(loaded.at(i).checked, row.checked) << i;
            EXPECT_EQ(loaded.at(i).displayName, row.displayName) << i;
            EXPECT_EQ(AccountKey::password(loaded.at(i).key), AccountKey::password(row.key)) << i;
        }
    }

    QStringList keys() const {
        QStringList result;
        for (const AccountRow& row : program->accounts().rows())
            result << row.key;
        return result;
    }

    AccountPage* page = nullptr;
};

TEST_F(AccountEditing, AddRefusesEmptyBoxesNamingTheLastOne) {
    const struct {
        const char* user;
        const char* password;
        const char* server;
        const char* port;
        const char* message;
    } cases[] = {
        {"", "pw", "pop", "110", "No Username Was Entered In TextBox"},
        {"alice", "   ", "pop", "110", "No Password Was Entered In TextBox"},
        {"", "", "", "110", "No Server Name Was Entered In TextBox"},
        {"", "", "", "", "No Port No. Was Entered In TextBox"},
        {"alice", "pw", "pop", "", "No Port No. Was Entered In TextBox"},
    };
    for (const auto& c : cases) {
        dialogs.messages.clear();
        fill(QString(), QString::fromLatin1(c.user), QString::fromLatin1(c.password),
             QString::fromLatin1(c.server), QString::fromLatin1(c.port));
        clickAdd();
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(c.message)}) << c.message;
        EXPECT_TRUE(program->accounts().isEmpty());
    }
    expectFileMatchesList();
}

TEST_F(AccountEditing, AddAppendsTheAccountAndRefusesAnIdenticalOne) {
    fill(QStringLiteral("  Home  "), QStringLiteral(" alice "), QStringLiteral(" s3cret "),
         QStringLiteral(" pop.example.org "), QStringLiteral("110"));
    clickAdd();
    ASSERT_EQ(program->accounts().count(), 1);
    const AccountRow& row = program->accounts().at(1);
    EXPECT_EQ(row.displayName, QStringLiteral("Home"));
    EXPECT_EQ(row.username, QStringLiteral("alice"));
    EXPECT_EQ(row.server, QStringLiteral("pop.example.org"));
    EXPECT_EQ(row.key, QStringLiteral("K1Ps3cret"));
    EXPECT_FALSE(row.checked);
    // Server and port stay for the next entry; the other boxes are emptied.
    EXPECT_EQ(page->displayNameBox()->text(), QString());
    EXPECT_EQ(page->usernameBox()->text(), QString());
    EXPECT_EQ(page->passwordBox()->text(), QString());
    EXPECT_EQ(page->serverBox()->text(), QStringLiteral("pop.example.org"));
    EXPECT_EQ(page->portBox()->text(), QStringLiteral("110"));
    expectFileMatchesList();

    fill(QStringLiteral("Again"), QStringLiteral("alice"), QStringLiteral("other"),
         QStringLiteral("pop.example.org"), QStringLiteral("110"));
    clickAdd();
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral("Identical Username / Server Name / Port No. Already On List"));
    EXPECT_EQ(program->accounts().count(), 1);

    // The test is case-sensitive, and two of three equal fields are allowed.
    fill(QStringLiteral("Other case"), QStringLiteral("Alice"), QStringLiteral("pw"),
         QStringLiteral("pop.example.org"), QStringLiteral("110"));
    clickAdd();
    fill(QStringLiteral("Other port"), QStringLiteral("alice"), QStringLiteral("pw"),
         QStringLiteral("pop.example.org"), QStringLiteral("995"));
    clickAdd();
    EXPECT_EQ(keys(), (QStringList{"K1Ps3cret", "K2Ppw", "K3Ppw"}));
    expectFileMatchesList();
}

TEST_F(AccountEditing, PortsAreFilteredAsTheyAreTyped) {
    const struct {
        const char* typed;
        const char* shown;
        int beeps;
    } cases[] = {
        {"11a", "110", 1}, {"99999999999", "110", 1}, {"-12", "-12", 0}, {"0110", "0110", 0},
        {"-", "-", 0},     {"1 2", "110", 1},         {"995", "995", 0},
    };
    // Pasted whole: the filter judges the text as it stands.
    for (const auto& c : cases) {
        const int before = beeper.beeps();
        page->portBox()->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(page->portBox()->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(beeper.beeps() - before, c.beeps) << c.typed;
    }
    // Typed key by key: the letter turns the box into "110".
    const int before = beeper.beeps();
    type(page->portBox(), QStringLiteral("11a"));
    EXPECT_EQ(page->portBox()->text(), QStringLiteral("110"));
    EXPECT_EQ(beeper.beeps() - before, 1);
}

TEST_F(AccountEditing, PortTextsAreStoredAsNumbersOrRefused) {
    fill(QStringLiteral("Lead zero"), QStringLiteral("a"), QStringLiteral("pw"),
         QStringLiteral("s"), QStringLiteral("0110"));
    clickAdd();
    fill(QStringLiteral("Negative"), QStringLiteral("b"), QStringLiteral("pw"), QStringLiteral("s"),
         QStringLiteral("-12"));
    clickAdd();
    ASSERT_EQ(program->accounts().count(), 2);
    EXPECT_EQ(program->accounts().at(1).port, QStringLiteral("0110")); // as typed, this run
    expectFileMatchesList();
    AccountList loaded;
    AccountFile(accountFile()).load(loaded);
    EXPECT_EQ(loaded.at(1).port, QStringLiteral("110"));
    EXPECT_EQ(loaded.at(2).port, QStringLiteral("-12"));

    dialogs.messages.clear();
    fill(QStringLiteral("Minus"), QStringLiteral("c"), QStringLiteral("pw"), QStringLiteral("s"),
         QStringLiteral("-"));
    clickAdd();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("An Error Occurred Adding Username Info To List")});
    EXPECT_EQ(program->accounts().count(), 2);
    expectFileMatchesList();
}

TEST_F(AccountEditing, MovesKeepKeysAndTicksAndDeletionsAskFirst) {
    for (const char* user : {"a", "b", "c"}) {
        fill(QString::fromLatin1(user).toUpper(), QString::fromLatin1(user),
             QStringLiteral("p") + QLatin1String(user), QStringLiteral("s"), QStringLiteral("110"));
        clickAdd();
    }
    program->accounts().checkItem(3);
    select(3);
    menu("mnuToTop");
    EXPECT_EQ(keys(), (QStringList{"K3Ppc", "K1Ppa", "K2Ppb"}));
    EXPECT_TRUE(program->accounts().isItemChecked(1));
    EXPECT_EQ(page->list()->currentIndex().row(), 0);
    expectFileMatchesList();

    menu("mnuMoveUp"); // the first row cannot go up
    EXPECT_EQ(keys(), (QStringList{"K3Ppc", "K1Ppa", "K2Ppb"}));
    menu("mnuMovedown");
    EXPECT_EQ(keys(), (QStringList{"K1Ppa", "K3Ppc", "K2Ppb"}));
    menu("mnuToBot");
    EXPECT_EQ(keys(), (QStringList{"K1Ppa", "K2Ppb", "K3Ppc"}));
    menu("mnuMovedown"); // the last row cannot go down
    EXPECT_TRUE(program->accounts().isItemChecked(3));
    expectFileMatchesList();

    select(2);
    dialogs.answers = {false};
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs.questions.last(), QStringLiteral("Confirm: Delete Username .. b"));
    EXPECT_EQ(program->accounts().count(), 3);
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(keys(), (QStringList{"K1Ppa", "K3Ppc"}));
    expectFileMatchesList();

    // The freed number goes to the next account, whose record comes last.
    fill(QStringLiteral("D"), QStringLiteral("d"), QStringLiteral("pd"), QStringLiteral("s"),
         QStringLiteral("110"));
    clickAdd();
    EXPECT_EQ(keys(), (QStringList{"K1Ppa", "K3Ppc", "K2Ppd"}));
    expectFileMatchesList();

    // Without a selected row nothing is deleted.
    page->list()->clearSelection();
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(program->accounts().count(), 3);

    for (int left = 3; left >= 1; --left) {
        select(1);
        menu("mnuDelete");
    }
    EXPECT_TRUE(program->accounts().isEmpty());
    EXPECT_FALSE(QFile::exists(accountFile()));
}

TEST_F(AccountEditing, ANewPasswordReplacesTheOneBehindTheKey) {
    fill(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("old"),
         QStringLiteral("s"), QStringLiteral("110"));
    clickAdd();
    select(1);
    type(page->passwordBox(), QStringLiteral("  brand new  "));
    type(page->usernameBox(), QStringLiteral("leftover"));
    menu("mnuChangePass"); // a sole account can have its password changed too
    EXPECT_EQ(keys(), QStringList{QStringLiteral("K1Pbrand new")});
    EXPECT_EQ(page->passwordBox()->text(), QString());
    EXPECT_EQ(page->usernameBox()->text(), QString());
    expectFileMatchesList();

    menu("mnuChangePass");
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral(
                  "An Error Occurred When Changing Password\nNo Password Was Entered In TextBox"));
    EXPECT_EQ(keys(), QStringList{QStringLiteral("K1Pbrand new")});
}

// An account's user name, server and port change in place: it keeps its row, its key and what
// was seen of it; the checks of "Add" hold, and an empty password box keeps the password.
TEST_F(AccountEditing, AnItemChangedInPlaceKeepsItsPlaceItsKeyAndWhatWasSeen) {
    fill(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
         QStringLiteral("pop.example.org"), QStringLiteral("110"));
    clickAdd();
    fill(QStringLiteral("Work"), QStringLiteral("bob"), QStringLiteral("pw2"),
         QStringLiteral("mail.example.com"), QStringLiteral("995"));
    clickAdd();
    const MessageDigest seen = MessageDigest::of(QStringLiteral("a@b"), QStringLiteral("s"),
                                                 QStringLiteral("d"), QStringLiteral("<1@b>"));
    {
        SeenMemory memory;
        memory.remember(
            {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("110")},
            seen, MailIcon::Seen);
        program->mail().setSeenMemory(std::move(memory));
    }
    // A row the last check listed for the account.
    program->mail().addMessageRow(
        QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
        QStringLiteral("c@d"), QStringLiteral("Listed"), QString(),
        QStringLiteral("pop.example.org"), QStringLiteral("110"), QStringLiteral("<2@d>"));
    QAbstractItemModel* shown = window().mailListView()->model();
    ASSERT_TRUE(test::waitUntil([shown] { return shown->rowCount() == 1; }));

    select(1);
    menu("mnuCopyToBoxes");
    EXPECT_EQ(page->displayNameBox()->text(), QStringLiteral("Home"));
    EXPECT_EQ(page->usernameBox()->text(), QStringLiteral("alice"));
    EXPECT_EQ(page->passwordBox()->text(), QString());
    EXPECT_EQ(page->serverBox()->text(), QStringLiteral("pop.example.org"));
    EXPECT_EQ(page->portBox()->text(), QStringLiteral("110"));
    type(page->serverBox(), QStringLiteral("pop2.example.org"));
    type(page->portBox(), QStringLiteral("1110"));
    menu("mnuChangeToBoxes");
    EXPECT_EQ(dialogs.messages, QStringList());
    const AccountRow& changed = program->accounts().at(1);
    EXPECT_EQ(changed.displayName, QStringLiteral("Home"));
    EXPECT_EQ(changed.server, QStringLiteral("pop2.example.org"));
    EXPECT_EQ(changed.port, QStringLiteral("1110"));
    EXPECT_EQ(keys(), (QStringList{"K1Ppw", "K2Ppw2"}));
    EXPECT_EQ(program->accounts().at(2).server, QStringLiteral("mail.example.com"));
    expectFileMatchesList();
    const SeenMemory& memory = program->mail().seenMemory();
    EXPECT_EQ(memory.lookup({QStringLiteral("alice"), QStringLiteral("pop2.example.org"),
                             QStringLiteral("1110")},
                            seen),
              MailIcon::Seen);
    EXPECT_EQ(memory.lookup({QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                             QStringLiteral("110")},
                            seen),
              MailIcon::New);
    // The listed row shows the account as it is now, and a delete would go there.
    const MailItem& listed = program->mail().at(1);
    EXPECT_EQ(listed.server(), QStringLiteral("pop2.example.org"));
    EXPECT_EQ(listed.port(), QStringLiteral("1110"));
    EXPECT_EQ(listed.subject(), QStringLiteral("Listed"));
    EXPECT_EQ(listed.password, QStringLiteral("pw"));
    EXPECT_EQ(shown->index(0, MailListModel::Server).data().toString(),
              QStringLiteral("pop2.example.org"));

    // The refusals of "Add", each leaving the account as it was.
    const struct {
        const char* user;
        const char* server;
        const char* port;
        const char* message;
    } refusals[] = {
        {"bob", "mail.example.com", "995",
         "Identical Username / Server Name / Port No. Already On List"},
        {"alice", "", "110", "No Server Name Was Entered In TextBox"},
        {"", "pop.example.org", "110", "No Username Was Entered In TextBox"},
    };
    for (const auto& r : refusals) {
        dialogs.messages.clear();
        select(1);
        paste(QStringLiteral("Home"), QString::fromLatin1(r.user), QString(),
              QString::fromLatin1(r.server), QString::fromLatin1(r.port));
        menu("mnuChangeToBoxes");
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(r.message)}) << r.message;
        EXPECT_EQ(program->accounts().at(1).server, QStringLiteral("pop2.example.org"));
    }

    // A password typed goes behind the same key number.
    select(1);
    menu("mnuCopyToBoxes");
    type(page->passwordBox(), QStringLiteral("new"));
    menu("mnuChangeToBoxes");
    EXPECT_EQ(keys(), (QStringList{"K1Pnew", "K2Ppw2"}));
    EXPECT_EQ(program->mail().at(1).password, QStringLiteral("new"));
    expectFileMatchesList();
}

// The security chosen beside the boxes goes with the account into its own private file,
// follows it through a change in place, comes back at the next start and goes with the account.
TEST_F(AccountEditing, EachAccountKeepsItsSecurityInAFileOfItsOwn) {
    QComboBox* security = page->securityBox();
    const QString connectionsFile = dataFolder() + QStringLiteral("/mervconn.json");
    const auto chosen = [security] { return security->currentText(); };
    fill(QStringLiteral("Pop3s"), QStringLiteral("alice"), QStringLiteral("pw"),
         QStringLiteral("pop.example.org"), QStringLiteral("995"));
    EXPECT_EQ(chosen(), QStringLiteral("TLS")); // the port's own
    clickAdd();
    fill(QStringLiteral("Home"), QStringLiteral("bob"), QStringLiteral("pw2"),
         QStringLiteral("mail.example.com"), QStringLiteral("110"));
    EXPECT_EQ(chosen(), QStringLiteral("STARTTLS when offered"));
    security->setCurrentIndex(security->findText(QStringLiteral("STARTTLS")));
    clickAdd();
    EXPECT_EQ(dialogs.messages, QStringList());
    ConnectionSettings& connections = program->connections();
    const MailboxAddress alice{QStringLiteral("alice"), QStringLiteral("pop.example.org"),
                               QStringLiteral("995")};
    const MailboxAddress bob{QStringLiteral("bob"), QStringLiteral("mail.example.com"),
                             QStringLiteral("110")};
    EXPECT_EQ(connections.security(alice), Security::Tls);
    EXPECT_EQ(connections.security(bob), Security::StartTls);
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(connectionsFile); }));
    EXPECT_EQ(QFile::permissions(connectionsFile) &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                   QFileDevice::WriteOther),
              QFileDevice::Permissions());
    expectFileMatchesList();

    // Shown with the account, and changed with it: a TLS server on another port.
    select(2);
    menu("mnuCopyToBoxes");
    EXPECT_EQ(chosen(), QStringLiteral("STARTTLS"));
    type(page->portBox(), QStringLiteral("1995"));
    EXPECT_EQ(chosen(), QStringLiteral("STARTTLS when offered")); // the typed port's own
    security->setCurrentIndex(security->findText(QStringLiteral("TLS")));
    menu("mnuChangeToBoxes");
    EXPECT_EQ(dialogs.messages, QStringList());
    const MailboxAddress moved{QStringLiteral("bob"), QStringLiteral("mail.example.com"),
                               QStringLiteral("1995")};
    EXPECT_EQ(connections.security(moved), Security::Tls);
    EXPECT_EQ(connections.security(bob), Security::StartTlsWhenOffered);
    select(1);
    menu("mnuCopyToBoxes");
    EXPECT_EQ(chosen(), QStringLiteral("TLS"));

    // The next start reads it back.
    program.reset();
    writeAccountFile = false;
    start();
    EXPECT_EQ(program->connections().security(moved), Security::Tls);

    // A deleted account takes its settings with it.
    window().selectTab(Page::Accounts);
    page = window().accountPage();
    select(2);
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    ASSERT_EQ(program->accounts().count(), 1);
    ASSERT_TRUE(test::waitUntil([&] {
        QFile file(connectionsFile);
        return file.open(QIODevice::ReadOnly) && !file.readAll().contains("1995");
    }));
}

// A connection settings file this program cannot read is said at the start and left as it is.
class AccountConnections : public test::ProgramFixture {};

TEST_F(AccountConnections, AnUnreadableConnectionSettingsFileIsLeftAsItIs) {
    QDir().mkpath(dataFolder());
    const QString path = dataFolder() + QStringLiteral("/mervconn.json");
    const QByteArray laterKind = "{\"accounts\": \"kept elsewhere\"}";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(laterKind);
    }
    addAccount(110);
    start();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(
        dialogs.messages.first().startsWith(QStringLiteral("The Connection Settings File ") + path +
                                            QStringLiteral(" Is Not A Connection Settings File")))
        << dialogs.messages.first().toStdString();
    program->connections().setSecurity(
        {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("110")},
        Security::None);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), laterKind);
}

// A full disk when a check first goes over STARTTLS: the run is not stopped by a message box;
// the failed save is said once the run is over.
TEST_F(AccountConnections, ASaveThatFailsDuringARunIsSaidWhenTheRunIsOver) {
    test::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    dataRoot = disk.path();
    addAccount(1101);
    start();
    disk.fill();
    test::Script script;
    script.serve("+OK ready\r\n")
        .expect("CAPA")
        .serve("+OK\r\nUSER\r\nSTLS\r\n.\r\n")
        .expect("STLS")
        .serve("+OK Begin TLS\r\n")
        .startsTls()
        .expect("CAPA")
        .serve("+OK\r\nUSER\r\n.\r\n")
        .expect("USER alice")
        .pause()
        .serve("+OK\r\n")
        .expect("PASS secret")
        .serve("+OK\r\n")
        .expect("STAT")
        .serve("+OK 0 0\r\n")
        .expect("QUIT")
        .serve("+OK\r\n");
    socket.addScript(1101, script);
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return socket.paused(); }));
    EXPECT_TRUE(program->connections().startTlsSeen(
        {QStringLiteral("alice"), QStringLiteral("pop.example.org"), QStringLiteral("1101")}));
    EXPECT_EQ(dialogs.messages, QStringList());
    socket.resume();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().startsWith(
        QStringLiteral("An Error Occurred Saving The Connection Settings File\n")))
        << dialogs.messages.first().toStdString();
}

TEST_F(AccountEditing, ANameEditedInPlaceIsSaved) {
    fill(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("s"),
         QStringLiteral("110"));
    clickAdd();
    QTreeView* list = page->list();
    const QModelIndex name = list->model()->index(0, 0);
    list->setCurrentIndex(name);
    list->edit(name);
    auto* editor = qobject_cast<QLineEdit*>(list->indexWidget(name));
    if (editor == nullptr)
        editor = list->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isVisible());
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Holiday"));
    QTest::keyClick(editor, Qt::Key_Return);
    test::settle(); // the view commits the edit from the event loop
    EXPECT_EQ(program->accounts().at(1).displayName, QStringLiteral("Holiday"));
    expectFileMatchesList();
}

TEST_F(AccountEditing, TheRunPasswordIsSetDeletedByRetypingAndAskedForAtTheNextStart) {
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(2);
    QLineEdit* box = window().settingsPage()->runPasswordBox();
    const auto enter = [box](const QString& text) {
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    };
    enter(QStringLiteral("first"));
    EXPECT_EQ(dialogs.questions.last(),
              QStringLiteral("Confirm: Your New Password To Run Mervantic Is: \nfirst"));
    EXPECT_EQ(dialogs.messages.last(), QStringLiteral("Your New Password Has Been Stored."));
    EXPECT_EQ(box->text(), QString());
    enter(QStringLiteral("second"));
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral("Enter Your Current Password, And Press -Enter- Key To Delete It"));
    EXPECT_EQ(program->settings().runPassword, QStringLiteral("first"));
    enter(QStringLiteral(" first "));
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral(
                  "Okay, Your Old Password Has Been Deleted.\nNow, You Can Enter A New Password."));
    dialogs.answers = {false};
    enter(QStringLiteral("never"));
    EXPECT_EQ(dialogs.messages.last(), QStringLiteral("Your Password Was Not Changed."));
    EXPECT_EQ(program->settings().runPassword, QString());
    enter(QStringLiteral("second"));
    ASSERT_TRUE(window().close());

    // The next start asks for exactly the new password.
    QTemporaryDir programFolder;
    QFile::copy(settingsFile(), programFolder.filePath(QStringLiteral("mervantic.ini")));
    test::FakeFolders folders;
    folders.profile = folder.path();
    folders.applicationData = applicationData();
    struct Prompts final : StartupPrompts {
        void showFailure(const QString&) override {}
        std::optional<QString> askRunPassword(const QString&) override { return answer; }
        QString answer;
    } prompts;
    for (const auto& [typed, outcome] :
         {std::pair{QStringLiteral("second"), Startup::Outcome::Run},
          std::pair{QStringLiteral("first"), Startup::Outcome::EndSilently}}) {
        prompts.answer = typed;
        Startup startup({folders, prompts, programFolder.path(), {}, {}});
        EXPECT_EQ(startup.run(), outcome) << typed.toStdString();
    }
}

TEST_F(AccountEditing, AnApopSecretEnteredInItsBoxIsUsedByTheNextApopLogOn) {
    accounts.append({QStringLiteral("Rose"), QStringLiteral("mrose"), QStringLiteral("pop"),
                     QStringLiteral("110"), AccountKey::make(1, QStringLiteral("unused")), false});
    program->window().close();
    program.reset();
    start();
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(3);
    window().settingsPage()->check(OptionCheck::UseApop)->click();
    QLineEdit* box = window().settingsPage()->secretBox();
    box->setText(QStringLiteral("tanstaaf"));
    dialogs.answers = {false};
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), QStringLiteral("tanstaaf")); // kept for correction
    EXPECT_EQ(dialogs.messages.last(),
              QStringLiteral(
                  "Your Secret Was Not Changed.\nYou Can Make A Correction, Then Enter Again"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(dialogs.questions.last(), QStringLiteral("Confirm Your Shared Secret: \ntanstaaf"));
    EXPECT_EQ(box->text(), QString());

    socket.addScript(110, Script()
                              .serve("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n")
                              .expect("APOP mrose c4c9334bac560ecc979e58001b3e22fb")
                              .serve("+OK maildrop has 0 messages\r\n")
                              .expect("STAT")
                              .serve("+OK 0 0\r\n")
                              .expect("QUIT")
                              .serve("+OK\r\n"));
    QTest::mouseClick(window().findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(socket.scriptDone());
    ASSERT_TRUE(window().close());
    const auto saved = SettingsFile::read(settingsFile());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(PasswordScrambler::unscramblePassword(saved->apopSecretScrambled),
              QStringLiteral("tanstaaf"));
}

// The files keep text as Windows-1252: text it cannot hold is refused where it is typed, with the
// characters named, and nothing is stored.
TEST_F(AccountEditing, TextTheFilesCannotHoldIsRefusedWhereItIsTyped) {
    fill(QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"), QStringLiteral("s"),
         QStringLiteral("110"));
    clickAdd();
    const QByteArray fileBefore = [this] {
        QFile file(accountFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const QString refusal =
        QStringLiteral("These Characters Cannot Be Stored, Please Use Others: ");
    struct Entry {
        const char* name;
        std::function<void()> type;
        QString named;
    };
    const std::vector<Entry> entries = {
        {"account password",
         [&] {
             paste(QString(), QStringLiteral("bob"),
                   QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c"), QStringLiteral("s"),
                   QStringLiteral("110"));
             clickAdd();
         },
         QStringLiteral("\u043f \u0430 \u0440 \u043e \u043b \u044c")},
        {"display name",
         [&] {
             paste(QStringLiteral("Za\u017c\u00f3\u0142\u0107"), QStringLiteral("bob"),
                   QStringLiteral("pw"), QStringLiteral("s"), QStringLiteral("110"));
             clickAdd();
         },
         QStringLiteral("\u017c \u0142 \u0107")},
        {"new password",
         [&] {
             select(1);
             page->passwordBox()->setText(QStringLiteral("Za\u017c\u00f3\u0142\u0107"));
             menu("mnuChangePass");
         },
         QStringLiteral("\u017c \u0142 \u0107")},
        {"name edited in place",
         [&] {
             EXPECT_FALSE(program->accounts().isEmpty());
             EXPECT_FALSE(page->list()->model()->setData(page->list()->model()->index(0, 0),
                                                         QStringLiteral("\u03a9mega")));
         },
         QStringLiteral("\u03a9")},
        {"run password",
         [&] {
             QLineEdit* box = window().settingsPage()->runPasswordBox();
             box->setText(QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c"));
             QTest::keyClick(box, Qt::Key_Return);
             EXPECT_EQ(box->text(), QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c"));
         },
         QStringLiteral("\u043f \u0430 \u0440 \u043e \u043b \u044c")},
        {"APOP secret",
         [&] {
             QLineEdit* box = window().settingsPage()->secretBox();
             box->setText(QStringLiteral("key \U0001F511"));
             QTest::keyClick(box, Qt::Key_Return);
         },
         QStringLiteral("\U0001F511")},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        dialogs.messages.clear();
        dialogs.questions.clear();
        e.type();
        EXPECT_EQ(dialogs.messages, QStringList{refusal + e.named});
        EXPECT_TRUE(dialogs.questions.isEmpty());
        EXPECT_EQ(keys(), QStringList{QStringLiteral("K1Ppw")});
        EXPECT_EQ(program->accounts().at(1).displayName, QStringLiteral("Home"));
        EXPECT_EQ(program->settings().runPassword, QString());
        EXPECT_EQ(program->settings().options.apopSecret, QString());
        QFile file(accountFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), fileBefore);
    }

    // The euro sign is a Windows-1252 character: stored, and sent as its byte 0x80.
    paste(QStringLiteral("Euro"), QStringLiteral("bob"), QStringLiteral("p\u20acss"),
          QStringLiteral("pop.example.org"), QStringLiteral("1102"));
    clickAdd();
    EXPECT_EQ(keys().last(), QStringLiteral("K2Pp\u20acss"));
    AccountList reread;
    AccountFile(accountFile()).load(reread);
    EXPECT_EQ(reread.at(2).key, QStringLiteral("K2Pp\u20acss"));
    socket.addScript(1102, Script::loggedOn("bob", "p\x80ss")
                               .expect("STAT")
                               .serve("+OK 0 0\r\n")
                               .expect("QUIT")
                               .serve("+OK\r\n"));
    program->settings().options.checkOnlyChecked = true;
    program->accounts().checkItem(2);
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(socket.unexpected().isEmpty());
    EXPECT_TRUE(socket.sent().contains(QString::fromLatin1("PASS p\x80ss")));
}

// Typed passwords are never shown.
TEST_F(AccountEditing, ThePasswordBoxMasksWhatIsTyped) {
    EXPECT_EQ(page->passwordBox()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window().settingsPage()->runPasswordBox()->echoMode(), QLineEdit::Password);
}

} // namespace
} // namespace mervantic
