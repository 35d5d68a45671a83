#pragma once

#include "pop3/AccountOutcome.h"
#include "pop3/RunView.h"

namespace mervantic {

// What the parts of a run say as it goes: its steps in the log pane, each repeated in the
// status bar, the account whose conversation starts, and an account given up.
class RunLog {
public:
    explicit RunLog(RunView& view)
        : m_view(view) {}

    RunView& view() const { return m_view; }

    // A step of a run: logged, then repeated in the status bar.
    void logAndShow(const QString& text) {
        m_view.logAppend(text);
        m_view.showStatus(text);
    }

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
    void failAccount(AccountOutcome& outcome, const QString& why) {
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

private:
    RunView& m_view;
};

} // namespace mervantic
