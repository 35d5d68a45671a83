#pragma once

#include "mail/MailList.h"
#include "platform/Beeper.h"
#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "platform/DateTimeText.h"
#include "platform/Socket.h"
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
