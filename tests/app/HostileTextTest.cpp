// Text from outside is only ever text: hostile server replies, header fields and certificate
// names driven through the real program and its real widgets (the mail list and its tool tip,
// the log pane, the status bar, the question box). Each is shown as the characters sent, with
// controls and bidi overrides made visible, and nothing in it is acted on: no markup drawn, no
// link offered, no file read.
#include "EventLoop.h"
#include "ProgramFixture.h"
#include "ScriptedServer.h"
#include "app/LogPane.h"
#include "app/MailListView.h"
#include "app/QtDialogs.h"
#include "app/StatusBar.h"
#include "mail/MailListModel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QToolTip>

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace mervantic {
namespace {

using test::ScriptedServer;

const QString kHost = QStringLiteral("127.0.0.1");
// Where the hostile texts point an image: a file whose every opening is watched.
const QByteArray kBait = "%BAIT%";

struct HostileText {
    const char* name;
    // What the server sends after "-ERR ", and as the From and Subject of a message.
    QByteArray reply;
    QByteArray header;
    // How each is shown.
    QString replyShown;
    QString headerShown;
};

const HostileText kHostile[] = {
    {"an image that would read a file", R"(<img src="%BAIT%"> go away)",
     R"(<img src="%BAIT%"> go away)", QStringLiteral("<img src=\"%BAIT%\"> go away"),
     QStringLiteral("<img src=\"%BAIT%\"> go away")},
    {"a table and a link",
     R"(<table border=1><tr><td><a href="http://127.0.0.1:1/x">details</a></td></tr></table>)",
     R"(<table border=1><tr><td><a href="http://127.0.0.1:1/x">details</a></td></tr></table>)",
     QStringLiteral(
         R"(<table border=1><tr><td><a href="http://127.0.0.1:1/x">details</a></td></tr></table>)"),
     QStringLiteral(
         R"(<table border=1><tr><td><a href="http://127.0.0.1:1/x">details</a></td></tr></table>)")},
    {"a comment hiding what follows", "<b>GENUINE</b> SHA-256: 11:22<!--",
     "<b>GENUINE</b> SHA-256: 11:22<!--", QStringLiteral("<b>GENUINE</b> SHA-256: 11:22<!--"),
     QStringLiteral("<b>GENUINE</b> SHA-256: 11:22<!--")},
    // U+202E right-to-left override: UTF-8 in the reply (which is read byte for byte), an
    // encoded word in the header.
    {"a right-to-left override", "invoice\xE2\x80\xAEgnp.exe",
     "=?UTF-8?B?aW52b2ljZeKArmducC5leGU=?=", QStringLiteral("invoice\u00E2[U+0080]\u00AEgnp.exe"),
     QStringLiteral("invoice[U+202E]gnp.exe")},
    {"a bell, an escape sequence and a backspace", "ring\abell\x1b[31mred\b",
     "ring\abell\x1b[31mred\b", QStringLiteral("ring[U+0007]bell[U+001B][31mred[U+0008]"),
     QStringLiteral("ring[U+0007]bell[U+001B][31mred[U+0008]")},
    {"a NUL", QByteArray("before\0after", 12), QByteArray("before\0after", 12),
     QStringLiteral("before[U+0000]after"), QStringLiteral("before[U+0000]after")},
};

QByteArray withBait(QByteArray text, const QString& bait) {
    return text.replace(kBait, bait.toUtf8());
}
QString withBait(QString text, const QString& bait) {
    return text.replace(QString::fromLatin1(kBait), bait);
}

// Counts the openings of one file.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path)
        : m_fd(::inotify_init1(IN_NONBLOCK)) {
        ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch() { ::close(m_fd); }
    bool opened() const {
        char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
};

class HostileTextShown : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        useRealNetwork();
        bait = folder.filePath(QStringLiteral("bait.png"));
        QFile file(bait);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not an image");
    }

    QString bait;
};

TEST_F(HostileTextShown, InTheMailListItsToolTipTheLogAndTheStatusBar) {
    std::vector<std::unique_ptr<ScriptedServer>> servers;
    for (const HostileText& text : kHostile) {
        const QByteArray reply = withBait(text.reply, bait);
        servers.push_back(std::make_unique<ScriptedServer>(
            [reply](QTcpSocket* peer) { peer->write("-ERR " + reply + "\r\n"); }));
        accounts.append({QString::fromLatin1(text.name), QStringLiteral("u"), kHost,
                         QString::number(servers.back()->port()),
                         AccountKey::make(accounts.count() + 1, QStringLiteral("pw")), false});
        const QByteArray header = withBait(text.header, bait);
        servers.push_back(std::make_unique<ScriptedServer>([header](QTcpSocket* peer) {
            peer->write("+OK ready\r\n");
            ScriptedServer::answerLines(
                peer,
                {{"USER", "+OK\r\n"},
                 {"PASS", "+OK\r\n"},
                 {"STAT", "+OK 1 100\r\n"},
                 {"TOP", "+OK\r\nFrom: " + header + "\r\nSubject: " + header + "\r\n\r\n.\r\n"},
                 {"QUIT", "+OK bye\r\n"}});
        }));
        accounts.append({QString::fromLatin1(text.name), QStringLiteral("u"), kHost,
                         QString::number(servers.back()->port()),
                         AccountKey::make(accounts.count() + 1, QStringLiteral("pw")), false});
    }
    start();
    OpenWatch watch(bait);
    program->checker().checkMailButton();
    ASSERT_TRUE(
        test::waitUntil([this] { return program->checker().phase() == RunPhase::Idle; }, 60000));

    MailListView* view = window().mailListView();
    QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->rowCount(), 2 * static_cast<int>(std::size(kHostile)));
    const QString log = window().logPane()->toPlainText();
    for (int i = 0; i < static_cast<int>(std::size(kHostile)); ++i) {
        const HostileText& text = kHostile[i];
        SCOPED_TRACE(text.name);
        const QString replyShown = withBait(text.replyShown, bait);
        const QString headerShown = withBait(text.headerShown, bait);
        const QModelIndex failed = model->index(2 * i, MailListModel::Subject);
        const QModelIndex message = model->index(2 * i + 1, MailListModel::Subject);
        const QString reason = QStringLiteral("Check again later (press Enter to check now): The "
                                              "server refused the connection: ") +
                               replyShown;
        EXPECT_EQ(failed.data().toString(),
                  QStringLiteral("The server refused the connection: ") + replyShown);
        EXPECT_EQ(message.data().toString(), headerShown);
        EXPECT_EQ(model->index(2 * i + 1, MailListModel::From).data().toString(), headerShown);
        EXPECT_TRUE(log.contains(QStringLiteral("-ERR ") + replyShown)) << log.toStdString();

        // The tool tip, as the pointer resting on the failed row shows it.
        window().selectTab(Page::Mail);
        view->scrollTo(failed);
        const QPoint at = view->visualRect(failed).center();
        QHelpEvent hover(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &hover);
        ASSERT_TRUE(QToolTip::isVisible());
        QTextDocument drawn;
        drawn.setHtml(QToolTip::text());
        EXPECT_EQ(drawn.toPlainText(), reason);
        EXPECT_FALSE(QToolTip::text().contains(QStringLiteral("<img")));
        EXPECT_FALSE(QToolTip::text().contains(QStringLiteral("<a ")));
        QToolTip::hideText();

        // The status bar shows a line as it is.
        window().statusBar()->showText(QString::fromLatin1(withBait(text.reply, bait)));
        EXPECT_EQ(window().statusBar()->textFormat(), Qt::PlainText);
        EXPECT_EQ(window().statusBar()->text(), replyShown);
    }
    EXPECT_FALSE(watch.opened()) << "a hostile text made the program open a file";
}

// The question that decides a trust: every label of the box shows plain text (the informative
// text has its own label, which would otherwise guess rich text), no link is offered, and a
// certificate's name with line breaks and markup cannot pass for the fingerprint.
TEST(HostileTextInAQuestion, EveryLabelOfTheBoxIsPlainAndNothingIsOpened) {
    QTemporaryDir folder;
    const QString bait = folder.filePath(QStringLiteral("bait.png"));
    QFile(bait).open(QIODevice::WriteOnly);
    OpenWatch watch(bait);
    QWidget parent;
    QtDialogs dialogs;
    dialogs.setParent(&parent);
    for (const HostileText& text : kHostile) {
        SCOPED_TRACE(text.name);
        const QString hostile = QString::fromLatin1(withBait(text.reply, bait));
        dialogs.ask({QStringLiteral("Trust This Certificate For ") + hostile + QLatin1Char('?'),
                     QStringLiteral("Subject: ") + hostile + QStringLiteral("\nSHA-256:\nAB:CD"),
                     true},
                    [](bool) {});
        QMessageBox* box = parent.findChild<QMessageBox*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                  box->button(QMessageBox::No));
        QStringList shown;
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
            EXPECT_FALSE(label->openExternalLinks());
            shown << label->text();
        }
        const QString replyShown = withBait(text.replyShown, bait);
        EXPECT_TRUE(shown.contains(QStringLiteral("Trust This Certificate For ") + replyShown +
                                   QLatin1Char('?')))
            << shown.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("Subject: ") + replyShown +
                                   QStringLiteral("\nSHA-256:\nAB:CD")))
            << shown.join(QLatin1Char('|')).toStdString();
        delete box;
    }
    EXPECT_FALSE(watch.opened());
}

// Messages said at start (a damaged file, another) come one at a time: two boxes modal to the
// same window would block each other, and the user would face a box that takes no click.
TEST(MessagesAtStart, ComeOneAtATimeEachAnsweredInTurn) {
    QWidget parent;
    parent.show();
    QtDialogs dialogs;
    dialogs.setParent(&parent);
    dialogs.message(QStringLiteral("first"));
    dialogs.message(QStringLiteral("second"));
    const auto shown = [&parent] {
        QStringList texts;
        for (QMessageBox* box : parent.findChildren<QMessageBox*>()) {
            if (box->isVisible())
                texts << box->text();
        }
        return texts;
    };
    ASSERT_EQ(shown(), QStringList{QStringLiteral("first")});
    parent.findChild<QMessageBox*>()->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(test::waitUntil([&] { return shown() == QStringList{QStringLiteral("second")}; }));
    QMessageBox* second = nullptr;
    for (QMessageBox* box : parent.findChildren<QMessageBox*>()) {
        if (box->isVisible())
            second = box;
    }
    ASSERT_NE(second, nullptr);
    second->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(test::waitUntil([&] { return shown().isEmpty(); }));
}

} // namespace
} // namespace mervantic
