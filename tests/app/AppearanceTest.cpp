// Tool tips, the text font, the theme colours, help, About and the raw-data window.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "app/AboutWindow.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/MainMenus.h"
#include "app/RawDataWindow.h"
#include "app/RunPresenter.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "mail/MailList.h"
#include "mail/MailListModel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace mervantic {
namespace {

using test::Script;

class Appearance : public test::ProgramFixture {};

// The fifteen controls that carry a tool tip.
const char* const kTipped[] = {"Text10",    "Command1",  "Command2", "Command3", "Command4",
                               "Command5",  "Command7",  "Text1",    "Text8",    "Command12",
                               "Command13", "Command14", "Text7",    "Picture7", "Command15"};

TEST_F(Appearance, DisablingToolTipsEmptiesThemAllAndEnablingRestoresTheTimersOwn) {
    record.recheckMinutes = 25;
    start();
    QTest::mouseDClick(find<QLineEdit>("Text10"), Qt::LeftButton); // the timer on
    window().selectTab(Page::Settings);
    window().settingsPage()->showSubPage(2);
    find<QCheckBox>("Check9")->click();
    for (const char* name : kTipped)
        EXPECT_EQ(find<QWidget>(name)->toolTip(), QString()) << name;
    find<QCheckBox>("Check9")->click();
    EXPECT_EQ(find<QWidget>("Text10")->toolTip(),
              QStringLiteral("On - Minutes Until Next Timed Re-Check For Mail - Interval Set = 25 "
                             "(dbl-click on/off)"));
    EXPECT_EQ(
        find<QWidget>("Command5")->toolTip(),
        QStringLiteral("Permanently Delete All Mail Items w/CheckBox Ckecked From The Server"));
    EXPECT_EQ(find<QWidget>("Command14")->toolTip(),
              QStringLiteral("Restore The Original, Default Settings For This Page"));
    for (const char* name : kTipped)
        EXPECT_FALSE(find<QWidget>(name)->toolTip().isEmpty()) << name;
}

TEST_F(Appearance, AFontChosenLargerThanTwelvePointsIsUsedAndKeptAsTwelve) {
    start();
    dialogs.fontAnswer = FontChoice{QStringLiteral("DejaVu Sans Mono"), true, 14};
    window().menus().textFonts->trigger();
    ASSERT_EQ(dialogs.fontPresets.size(), 1u);
    EXPECT_EQ(dialogs.fontPresets[0].name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(dialogs.fontPresets[0].points, 8);
    for (QWidget* widget : {static_cast<QWidget*>(window().mailListView()),
                            static_cast<QWidget*>(find<QComboBox>("ImageCombo1")),
                            static_cast<QWidget*>(find<QLineEdit>("Text2")),
                            static_cast<QWidget*>(find<QLineEdit>("Text9"))}) {
        EXPECT_EQ(widget->font().pointSizeF(), 12) << widget->objectName().toStdString();
        EXPECT_TRUE(widget->font().bold());
        EXPECT_EQ(widget->font().family(), QStringLiteral("DejaVu Sans Mono"));
    }
    // Cancelled, the dialog's preset stays; an exact 12 stays 12.
    dialogs.fontAnswer.reset();
    window().menus().textFonts->trigger();
    EXPECT_EQ(program->settings().window.fontSize, 12);
    dialogs.fontAnswer = FontChoice{QStringLiteral("DejaVu Sans"), false, 12};
    window().menus().textFonts->trigger();
    window().menus().textFonts->trigger();
    EXPECT_EQ(program->settings().window.fontSize, 12);
    window().closeByProgram();
    const auto saved = SettingsFile::read(settingsFile());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->fontSize, 12.0f);
    EXPECT_EQ(saved->fontName.trimmed(), QStringLiteral("DejaVu Sans"));
}

// The dialog selects its style list by name: opened at the current font it must show that font,
// upright, not the first slanted style of the family.
TEST_F(Appearance, TheFontDialogOpensAtTheCurrentFontUpright) {
    for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"}) {
        for (const bool bold : {false, true}) {
            const FontChoice preset{QString::fromLatin1(family), bold, 10};
            QFontDialog dialog(fontForDialog(preset));
            dialog.setOption(QFontDialog::DontUseNativeDialog);
            const QFont shown = dialog.currentFont();
            EXPECT_EQ(shown.family(), preset.name) << family << bold;
            EXPECT_EQ(shown.style(), QFont::StyleNormal) << family << " bold " << bold;
            EXPECT_EQ(shown.bold(), bold) << family;
            EXPECT_EQ(shown.pointSizeF(), 10) << family;
        }
    }
}

TEST_F(Appearance, AnItalicChoiceIsUsedUprightAndTheUserIsTold) {
    start();
    dialogs.fontAnswer = FontChoice{QStringLiteral("DejaVu Serif"), true, 10, true};
    window().menus().textFonts->trigger();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("Italic Text Is Not Kept: The Font Is Used Upright")});
    const QFont applied = window().mailListView()->font();
    EXPECT_EQ(applied.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(applied.bold());
    EXPECT_FALSE(applied.italic());
    // An upright choice says nothing.
    dialogs.fontAnswer = FontChoice{QStringLiteral("DejaVu Serif"), false, 10, false};
    window().menus().textFonts->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1);
}

// The interval and the time-out change by their step buttons only: the boxes say so by their
// look and ignore typing.
TEST_F(Appearance, TheStepBoxesLookReadOnlyAndIgnoreTyping) {
    start();
    window().selectTab(Page::Settings);
    const QPalette colours = QApplication::palette();
    ASSERT_NE(colours.color(QPalette::Window), colours.color(QPalette::Base));
    for (const char* name : {"Text6", "Text9"}) {
        auto* box = find<QLineEdit>(name);
        const QString before = box->text();
        EXPECT_TRUE(box->isReadOnly()) << name;
        EXPECT_EQ(box->palette().color(QPalette::Base), colours.color(QPalette::Window)) << name;
        // unlike the password box beside them, which takes typing
        EXPECT_NE(box->palette().color(QPalette::Base),
                  find<QLineEdit>("Text7")->palette().color(QPalette::Base))
            << name;
        QTest::keyClicks(box, QStringLiteral("45"));
        EXPECT_EQ(box->text(), before) << name;
    }
}

TEST_F(Appearance, AnEmptyFontGoesToTheDialogAsArialAtNinePoints) {
    record.fontName = QString();
    record.fontSize = 0;
    start();
    program->settings().window.fontName.clear();
    program->settings().window.fontSize = 0;
    window().menus().textFonts->trigger();
    ASSERT_EQ(dialogs.fontPresets.size(), 1u);
    EXPECT_EQ(dialogs.fontPresets[0].name, QStringLiteral("Arial"));
    EXPECT_EQ(dialogs.fontPresets[0].points, 9);
    EXPECT_EQ(program->settings().window.fontName, QStringLiteral("Arial"));
    EXPECT_EQ(program->settings().window.fontSize, 9);
}

TEST_F(Appearance, HelpOpensBesideTheProgramInTheCompanionBrowserOrThroughTheDesktop) {
    appFolder = QStringLiteral("/opt/Mail Tools/Mervantic");
    start();
    desktop.files.insert(QStringLiteral("/opt/Mail Tools/Mervantic/MervanticHelp.htm"));
    window().menus().help->trigger();
    EXPECT_EQ(desktop.opened,
              QStringList{QStringLiteral("file:///opt/Mail%20Tools/Mervantic/MervanticHelp.htm")});
    EXPECT_TRUE(desktop.started.isEmpty());
    desktop.files.insert(QStringLiteral("/opt/Mail Tools/Orbelin2/Orbelin2"));
    window().menus().help->trigger();
    EXPECT_EQ(
        desktop.started,
        QStringList{QStringLiteral(
            "/opt/Mail Tools/Orbelin2/Orbelin2 /opt/Mail Tools/Mervantic/MervanticHelp.htm")});
    EXPECT_EQ(desktop.opened.size(), 1);
    // Installed apart from its data, the page is found in share/mervantic.
    desktop.files.clear();
    desktop.opened.clear();
    appFolder = QStringLiteral("/usr/bin");
    desktop.files.insert(QStringLiteral("/usr/bin/../share/mervantic/MervanticHelp.htm"));
    program.reset();
    start();
    window().menus().help->trigger();
    EXPECT_EQ(desktop.opened,
              QStringList{QStringLiteral("file:///usr/share/mervantic/MervanticHelp.htm")});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // A desktop with nothing to open web pages: Help says so, and where the page is.
    desktop.opens = false;
    desktop.files.insert(QStringLiteral("/usr/share/mervantic/MervanticHelp.htm"));
    window().menus().help->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(),
              QStringLiteral("The Help Page Could Not Be Opened: This Desktop Has No Program That "
                             "Opens Web Pages (xdg-open And A Browser). It Is At "
                             "/usr/share/mervantic/MervanticHelp.htm"));
}

TEST_F(Appearance, AboutShowsWhatTheProgramDoesAndItsVersion) {
    start();
    window().menus().about->trigger();
    AboutWindow* about = window().aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("VersionLabel"))->text(),
              QStringLiteral("Vs.1.0.1009"));
    window().menus().about->trigger(); // brought to the front, not made twice
    EXPECT_EQ(window().findChildren<AboutWindow*>().size(), 1);
    window().closeByProgram();
    test::settle();
    EXPECT_EQ(window().aboutWindow(), nullptr);
}

TEST_F(Appearance, TheRawDataWindowShowsEachMessageOfACheckAndClearsBeforeItOverflows) {
    addAccount(1101);
    const auto script = [] {
        Script s = Script::loggedOn();
        s.expect("STAT").serve("+OK 2 10\r\n");
        s.expect("TOP 1 2").serve("+OK\r\nSubject: <b>one</b>\r\n\r\nbody\r\n.\r\n");
        s.expect("TOP 2 2").serve("+OK\r\nSubject: two\r\n\r\nbody\r\n.\r\n");
        s.expect("QUIT").serve("+OK\r\n");
        return s;
    };
    start();
    QAction* toggle = window().menus().showRawData;
    EXPECT_FALSE(toggle->isChecked());
    socket.addScript(1101, script());
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_EQ(window().presenter().rawDataWindow(), nullptr); // off: no window

    toggle->trigger();
    EXPECT_TRUE(toggle->isChecked());
    socket.addScript(1101, script());
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    RawDataWindow* raw = window().presenter().rawDataWindow();
    ASSERT_NE(raw, nullptr);
    EXPECT_TRUE(raw->isVisible());
    EXPECT_EQ(raw->windowTitle(), QStringLiteral("Mervantic - POP3 Data"));
    EXPECT_EQ(raw->content(), QStringLiteral("Subject: <b>one</b>\r\n\r\nbody\r\n\r\n"
                                             "Subject: two\r\n\r\nbody\r\n\r\n"));
    EXPECT_TRUE(raw->textBox()->toPlainText().contains(QStringLiteral("<b>one</b>")));
    EXPECT_EQ(raw->textBox()->textCursor().position(),
              raw->textBox()->document()->characterCount() - 1);

    // A new check starts it afresh; switched off, it stays open and takes nothing more.
    socket.addScript(1101, script());
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_EQ(raw->content().count(QStringLiteral("Subject: two")), 1);
    toggle->trigger();
    socket.addScript(1101, script());
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    EXPECT_TRUE(raw->isVisible());
    EXPECT_EQ(raw->content(), QString()); // emptied as the check began, then nothing added
}

TEST(RawDataWindow, ABlockThatWouldPassTwentyFiveThousandCharactersClearsTheWindowFirst) {
    RawDataWindow raw;
    raw.addBlock(QByteArray(24988, 'a')); // with its CR LF, 24,990 characters
    ASSERT_EQ(raw.content().size(), 24990);
    raw.addBlock(QByteArray(10, 'b')); // 25,000: still fits
    EXPECT_EQ(raw.content().size(), 25002);
    RawDataWindow other;
    other.addBlock(QByteArray(24988, 'a'));
    other.addBlock(QByteArray(18, 'c') + "\r\n"); // 24,990 + 20 would be 25,010
    EXPECT_EQ(other.content(), QString(18, QLatin1Char('c')) + QStringLiteral("\r\n\r\n"));
}

// Server text shows as it was sent, brackets and all, in the list, the status bar and the log.
TEST_F(Appearance, ServerTextIsNeverReadAsMarkup) {
    addAccount(1101);
    Script script = Script::loggedOn();
    script.expect("STAT").serve("+OK 1 10\r\n").expect("TOP 1 2");
    script.serve("+OK\r\nFrom: <img src=\"x.png\">\r\nSubject: <b>x</b>\r\n\r\n.\r\n");
    script.expect("QUIT").serve("-ERR <b>no</b> <img src=y>\r\n");
    socket.addScript(1101, script);
    start();
    program->checker().checkMailButton();
    ASSERT_TRUE(test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }));
    QAbstractItemModel* model = window().mailListView()->model();
    EXPECT_EQ(model->index(0, MailListModel::From).data().toString(),
              QStringLiteral("<img src=\"x.png\">"));
    EXPECT_EQ(model->index(0, MailListModel::Subject).data().toString(),
              QStringLiteral("<b>x</b>"));
    EXPECT_TRUE(window().logPane()->toPlainText().contains(QStringLiteral("-ERR <b>no</b>")));
    StatusBar* status = window().statusBar();
    status->showText(QStringLiteral("-ERR <b>no</b>"));
    EXPECT_EQ(status->textFormat(), Qt::PlainText);
    // Shown as plain text the tags take room of their own.
    EXPECT_GT(status->sizeHint().width(),
              status->fontMetrics().horizontalAdvance(QStringLiteral("-ERR no")) + 20);
    for (QLabel* label : window().findChildren<QLabel*>()) {
        if (label->text().contains(QLatin1Char('<'))) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        }
    }
}

// Colours come from the desktop's palette: a dark theme gives light text on dark ground.
TEST_F(Appearance, ThemeColoursFollowTheDesktopPaletteAndStayReadable) {
    start();
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dark.setColor(QPalette::Button, QColor(45, 45, 45));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 20));
    dark.setColor(QPalette::ToolTipText, QColor(250, 250, 200));
    QApplication::setPalette(dark);
    test::settle();
    const auto lightness = [](const QColor& c) { return c.lightness(); };
    for (QWidget* widget : window().findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(widget) == nullptr && qobject_cast<QCheckBox*>(widget) == nullptr)
            continue;
        const QPalette p = widget->palette();
        EXPECT_GT(lightness(p.color(QPalette::WindowText)) - lightness(p.color(QPalette::Window)),
                  120)
            << widget->objectName().toStdString();
    }
    EXPECT_EQ(find<QCheckBox>("Check1")->palette().color(QPalette::Window),
              dark.color(QPalette::Base));
    QApplication::setPalette(original);
    test::settle();
    EXPECT_EQ(find<QCheckBox>("Check1")->palette().color(QPalette::Window),
              original.color(QPalette::Base));
}

} // namespace
} // namespace mervantic
