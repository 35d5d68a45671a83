#include "app/MinimalWindow.h"
#include "app/WidgetBeeper.h"
#include "mail/MailList.h"
#include "platform/ClientSocket.h"
#include "platform/NetworkConnectivity.h"
#include "platform/SystemClock.h"
#include "pop3/MailChecker.h"
#include "store/AccountList.h"
#include "store/Options.h"

#include <QApplication>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mervantic"));

    mervantic::ClientSocket socket;
    mervantic::SystemClock clock;
    mervantic::NetworkConnectivity connectivity;
    mervantic::WidgetBeeper beeper;
    mervantic::Options options;
    mervantic::AccountList accounts;
    mervantic::MailList mail;
    mervantic::MinimalWindow window;
    mervantic::MailChecker checker(socket, clock, connectivity, beeper, window, options, accounts,
                                   mail);
    QObject::connect(window.checkMailButton(), &QPushButton::clicked, &checker,
                     &mervantic::MailChecker::checkMailButton);
    QObject::connect(window.cancelButton(), &QPushButton::clicked, &checker,
                     &mervantic::MailChecker::cancel);
    window.show();
    return QApplication::exec();
}
