// Draws the main window at its minimum size, once per page and settings sub-page, into PNG
// files, with a few accounts and messages in the lists. Run it on any Qt platform, for example
// QT_QPA_PLATFORM=offscreen.
#include "app/LogPane.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/QtDialogs.h"
#include "app/SettingsPage.h"
#include "app/SystemTray.h"
#include "app/WidgetBeeper.h"
#include "platform/ClientSocket.h"
#include "platform/Desktop.h"
#include "platform/NetworkConnectivity.h"
#include "platform/SystemClock.h"
#include "store/AccountKey.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace mervantic;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mervantic-window-shots <output folder>\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);

    QTemporaryDir data;
    StartupValues values;
    values.dataFolder = data.path();
    values.settingsFilePath = data.filePath(QStringLiteral("mervantic.ini"));
    values.toolTipTexts = standardToolTipTexts();
    SettingsRecord record =
        SettingsFile::read(QStringLiteral(MERVANTIC_TEMPLATE_PATH)).value_or(SettingsRecord());
    record.firstRunMarker = 1;
    record.fontName = QStringLiteral("DejaVu Sans");
    record.fontSize = 9;
    SettingsFile::write(values.settingsFilePath, record);
    AccountList accounts;
    accounts.append({QStringLiteral("Home"), QStringLiteral("alice"),
                     QStringLiteral("pop.example.org"), QStringLiteral("110"),
                     AccountKey::make(1, QStringLiteral("pw")), true});
    accounts.append({QStringLiteral("Work"), QStringLiteral("a.smith"),
                     QStringLiteral("mail.example.com"), QStringLiteral("995"),
                     AccountKey::make(2, QStringLiteral("pw")), false});
    AccountFile(data.filePath(QStringLiteral("mervuser.ini"))).save(accounts);

    ClientSocket socket;
    SystemClock clock;
    NetworkConnectivity connectivity;
    WidgetBeeper beeper;
    QtDialogs dialogs;
    SystemTray tray;
    SystemDesktop desktop;
    Program program(values, {socket, clock, connectivity, beeper, beeper, dialogs, tray, desktop});
    program.load();
    program.mail().addMessageRow(
        QStringLiteral("Home"), QStringLiteral("alice"), QStringLiteral("pw"),
        QStringLiteral("Ann Example <ann@example.org>"), QStringLiteral("Welcome to Mervantic"),
        QStringLiteral("Jan 4 2003 2:15 PM"), QStringLiteral("pop.example.org"),
        QStringLiteral("110"), QStringLiteral("<1@example.org>"));
    program.mail().addNoMailRow(QStringLiteral("Work"), QStringLiteral("a.smith"));
    MainWindow& window = program.window();
    window.resize(MainWindow::kMinimumSize);
    window.show();
    QApplication::processEvents();

    const auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        window.grab().save(output + QLatin1Char('/') + name + QStringLiteral(".png"));
        std::printf("%s/%s.png\n", qPrintable(output), qPrintable(name));
    };
    window.selectTab(Page::Mail);
    shoot(QStringLiteral("1-mail-window"));
    for (int page = 1; page <= 3; ++page) {
        window.selectTab(Page::Settings);
        window.settingsPage()->showSubPage(page);
        shoot(QStringLiteral("2-run-settings-p%1").arg(page));
    }
    window.selectTab(Page::Accounts);
    shoot(QStringLiteral("3-configure-usernames"));
    window.selectTab(Page::Mail);
    window.findChild<QPushButton*>(QStringLiteral("Command15"))->click();
    window.logPane()->append(QStringLiteral("..Check Complete: 1 New Mail Item -Total Items: 1"));
    shoot(QStringLiteral("4-log-pane"));
    return 0;
}
