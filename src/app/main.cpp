#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/QtDialogs.h"
#include "app/RunPresenter.h"
#include "app/Startup.h"
#include "app/SystemTray.h"
#include "app/WidgetBeeper.h"
#include "platform/ClientSocket.h"
#include "platform/Desktop.h"
#include "platform/DesktopSound.h"
#include "platform/NetworkConnectivity.h"
#include "platform/SecretsInMemory.h"
#include "platform/SingleInstance.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"
#include "platform/UserFolders.h"
#include "platform/WakeWatch.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Before any password is read.
    mervantic::keepSecretsOutOfCoreDumps();
    // Answered on the terminal, before a display is looked for.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const mervantic::CommandLine line = mervantic::CommandLine::read(arguments);
    switch (line.asks) {
    case mervantic::CommandLine::Asks::Run:
        break;
    case mervantic::CommandLine::Asks::Help:
        std::fputs(qPrintable(mervantic::CommandLine::usage(arguments.first())), stdout);
        return 0;
    case mervantic::CommandLine::Asks::Version:
        std::fputs(qPrintable(mervantic::CommandLine::version()), stdout);
        return 0;
    case mervantic::CommandLine::Asks::Mistake:
        std::fprintf(stderr, "%s: unknown option %s\n\n%s", qPrintable(arguments.first()),
                     qPrintable(line.mistake),
                     qPrintable(mervantic::CommandLine::usage(arguments.first())));
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mervantic"));

    mervantic::SingleInstance instance;
    mervantic::DesktopUserFolders folders;
    mervantic::QtDialogs dialogs;
    mervantic::Startup startup(
        {folders, dialogs, QCoreApplication::applicationDirPath(),
         // A second start asks the first to show its window before it ends.
         [&instance](const QString& dataFolder) -> mervantic::Startup::InstanceCheck {
             switch (instance.acquire(dataFolder)) {
             case mervantic::SingleInstance::Lock::Acquired:
                 return {};
             case mervantic::SingleInstance::Lock::HeldByAnother:
                 instance.askToShow();
                 return {true, {}};
             case mervantic::SingleInstance::Lock::Failed:
                 break;
             }
             return {false, instance.failure()};
         },
         // Any style but the plain classic one draws with visual styles.
         [] { return QApplication::style()->name() != QStringLiteral("windows"); }});
    switch (startup.run()) {
    case mervantic::Startup::Outcome::Run:
        break;
    case mervantic::Startup::Outcome::EndSilently:
        return 0;
    case mervantic::Startup::Outcome::Failed:
        return 1;
    }

    mervantic::ClientSocket socket;
    mervantic::SystemClock clock;
    mervantic::NetworkConnectivity connectivity;
    mervantic::WidgetBeeper beeper;
    mervantic::DesktopSound newMailSound(
        mervantic::installedFile(startup.values().appFolder,
                                 QStringLiteral("mervantic-new-mail.wav"),
                                 [](const QString& path) { return QFileInfo(path).isFile(); }),
        [] { QApplication::beep(); });
    mervantic::SystemTray tray;
    mervantic::SystemDesktop desktop;
    mervantic::Program program(startup.values(), {socket, clock, connectivity, beeper, newMailSound,
                                                  dialogs, tray, desktop});
    dialogs.setParent(&program.window());
    QObject::connect(&instance, &mervantic::SingleInstance::showRequested, &program.window(),
                     [&program] { program.showWindow(); });
    // A timed re-check due while the computer slept, or was off-line, is made on waking.
    mervantic::WakeWatch wake;
    QObject::connect(&wake, &mervantic::WakeWatch::woke, &program.checker().recheck(),
                     &mervantic::RecheckTimer::wokeUp);
    // A logout or a kill that does not ask the window to close ends the program as its close
    // does, saving what it keeps.
    mervantic::TerminationSignals termination;
    QObject::connect(&termination, &mervantic::TerminationSignals::received, &program.window(),
                     [&program] {
                         program.window().closeByProgram();
                         QCoreApplication::quit();
                     });
    program.load();
    if (!instance.listenFailure().isEmpty())
        program.window().presenter().logAppend(QStringLiteral("..") + instance.listenFailure());
    // Started at login in the notification area, when the desktop has one; never hidden where
    // nothing could bring it back.
    if (line.inTray && tray.available())
        program.window().startInNotificationArea();
    else
        program.window().show();
    return QApplication::exec();
}
