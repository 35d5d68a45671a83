#pragma once

#include "mail/MailList.h"
#include "platform/Beeper.h"
#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "platform/DateTimeText.h"
#include "platform/Socket.h"
#include "pop3/AccountOutcome.h"
#include "pop3/RunView.h"
#include "pop3/SessionState.h"
#include "store/AccountList.h"
#include "store/Options.h"

namespace mervantic {

// What the parts of a run share: the conversation state, whether a run keeps the program busy,
// and the services and lists they work on. Owned by MailChecker; the parts hold a reference.
struct RunContext {
    RunContext(Socket& socket_, Clock& clock_, Connectivity& connectivity_, Beeper& beeper_,
               RunView& view_, Options& options_, AccountList& accounts_, MailList& mail_)
        : socket(socket_)
        , clock(clock_)
        , connectivity(connectivity_)
        , beeper(beeper_)
        , view(view_)
        , options(options_)
        , accounts(accounts_)
        , mail(mail_) {}

    SessionState session;
    RunBusy runBusy = RunBusy::Idle;
    // How the conversation with the current account ended.
    AccountOutcome outcome;

    Socket& socket;
    Clock& clock;
    Connectivity& connectivity;
    Beeper& beeper;
    RunView& view;
    Options& options;
    AccountList& accounts;
    MailList& mail;

    // A step of a run: logged, then repeated in the status bar.
    void logAndShow(const QString& text) {
        view.logAppend(text);
        view.showStatus(text);
    }

    // The time-out in whole seconds, as the user set it.
    int timeoutSeconds() const { return static_cast<int>(options.serverTimeoutMs / 1000); }

    // Names the account whose conversation starts, so that every line that follows can be told
    // apart by account.
    void logAccount(const QString& name, const QString& username, const QString& server,
                    const QString& port) {
        QString text = QStringLiteral("..Account: ");
        if (!name.isEmpty())
            text += name + QLatin1Char(' ');
        text += QStringLiteral("(User %1, Server %2, Port %3)").arg(username, server, port);
        logAndShow(text);
    }

    // An account given up: the outcome keeps the first reason, the log says it.
    void failAccount(const QString& why) {
        const bool first = !outcome.failed() && !outcome.complete;
        outcome.fail(why);
        if (first)
            logAndShow(QStringLiteral("..") + why);
    }

    // What a completion line adds when accounts failed: " - 2 Accounts Failed".
    static QString failedAccountsText(int failed) {
        if (failed < 1)
            return {};
        return QStringLiteral(" - %1 Account%2 Failed")
            .arg(failed)
            .arg(failed == 1 ? QString() : QStringLiteral("s"));
    }

    // How a completed run says so: a log line, the status bar with the time, and that time kept
    // as the last check, which the caption shows.
    void reportCompletion(const QString& text) {
        view.logAppend(text);
        const QDateTime now = clock.now();
        view.showStatus(DateTimeText::stamp(now) + text);
        options.lastCheckTime = now;
        view.setCaption(QStringLiteral("Mervantic email - last check: ") +
                        DateTimeText::general(now));
    }

    // A cancelled run leaves no half-read list behind: the list is emptied and can be used again.
    void emptyMailListAfterCancel() {
        mail.setEnabled(true);
        mail.removeAll();
    }

    // How a halted run says why: a log line, the status bar with the time, and a message box
    // unless the window is closing.
    void reportHalt(const QString& reason, bool closing) {
        const QString text = QStringLiteral("..Process Halted: ") + reason;
        view.logAppend(text);
        view.showStatus(DateTimeText::stamp(clock.now()) + text);
        if (!closing)
            view.showMessage(QStringLiteral("Process Halted: ") + reason);
    }
};

} // namespace mervantic
