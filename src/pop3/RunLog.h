#pragma once

#include "pop3/AccountOutcome.h"
#include "pop3/RunView.h"

#include <QStringList>

#include <algorithm>

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
    void failAccount(AccountOutcome& outcome, const QString& why,
                     Remedy remedy = Remedy::CheckAgain) {
        const bool first = !outcome.failed() && !outcome.complete;
        outcome.fail(why, remedy);
        if (first)
            logAndShow(QStringLiteral("..") + why);
    }

    // How a completion line names an account: its display name, else its user name at its
    // server.
    static QString accountName(const QString& displayName, const QString& username,
                               const QString& server) {
        if (!displayName.trimmed().isEmpty())
            return displayName;
        return username + QLatin1Char('@') + server;
    }

    // What a completion line adds when accounts failed, naming them so that the user knows
    // which to look at: " - 1 Account Failed: Work", " - 5 Accounts Failed: A, B, C and 2 More".
    static QString failedAccountsText(const QStringList& names) {
        const qsizetype failed = names.size();
        if (failed < 1)
            return {};
        constexpr qsizetype kNamed = 3;
        QString text = QStringLiteral(" - %1 Account%2 Failed: ")
                           .arg(failed)
                           .arg(failed == 1 ? QString() : QStringLiteral("s"));
        text += names.first(std::min(failed, kNamed)).join(QStringLiteral(", "));
        if (failed > kNamed)
            text += QStringLiteral(" and %1 More").arg(failed - kNamed);
        return text;
    }

private:
    RunView& m_view;
};

} // namespace mervantic
