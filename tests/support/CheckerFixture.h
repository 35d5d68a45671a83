#pragma once

#include "EventLoop.h"
#include "Fakes.h"
#include "Printers.h"
#include "RecordingView.h"
#include "mail/MailList.h"
#include "pop3/MailChecker.h"
#include "store/AccountKey.h"
#include "store/AccountList.h"
#include "store/Options.h"

#include <memory>

namespace mervantic::test {

// A MailChecker wired to fakes of everything but the socket, with the fixed pauses of the
// connection control shortened to nothing.
class CheckerHarness {
public:
    explicit CheckerHarness(Socket& socket)
        : checker(socket, clock, connectivity, beeper, view, options, accounts, mail, connections) {
        checker.connection().setSettleWaitMs(0);
        checker.connection().setCloseWaitMs(0);
    }

    void addAccount(const QString& displayName, const QString& username, const QString& password,
                    const QString& server, int port, bool checked = false) {
        accounts.append({displayName, username, server, QString::number(port),
                         AccountKey::make(accounts.count() + 1, password), checked});
    }

    void setSecurity(const QString& username, const QString& server, int port, Security security) {
        connections.setSecurity({username, server, QString::number(port)}, security);
    }

    // Presses "Check Mail" and waits for the run to end.
    bool runCheck(int timeoutMs = 30000) {
        checker.checkMailButton();
        const bool ended =
            waitUntil([this] { return checker.phase() == RunPhase::Idle; }, timeoutMs);
        if (qEnvironmentVariableIsSet("MERVANTIC_TEST_LOG"))
            std::fprintf(stderr, "%s\n", qPrintable(view.log.join(QLatin1Char('\n'))));
        return ended;
    }

    QStringList rowTexts(int column) const {
        QStringList texts;
        for (const MailItem& item : mail.rows())
            texts << item.field(static_cast<MailItem::Field>(column)).toString();
        return texts;
    }

    FakeClock clock;
    FakeConnectivity connectivity;
    CountingBeeper beeper;
    RecordingView view;
    Options options;
    AccountList accounts;
    MailList mail;
    ConnectionSettings connections;
    MailChecker checker;
};

} // namespace mervantic::test
