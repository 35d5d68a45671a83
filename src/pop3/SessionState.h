#pragma once

#include "pop3/AccountOutcome.h"
#include "pop3/RunState.h"
#include "store/ConnectionSettings.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace mervantic {

// The one POP3 conversation in progress: the account it is with, where it stands, how it ended,
// and whether the user asked the run that drives it to stop.
struct SessionState {
    Step step = Step::Greeting;
    std::int32_t messageCount = 0;
    std::int32_t messageNumber = 0;
    std::uint32_t lastDataTick = 0;
    // The user asked the run to stop (Cancel, or the window's close).
    bool haltRequest = false;
    // How the conversation with the current account ended.
    AccountOutcome outcome;

    QString displayName;
    QString username;
    QString password;
    QString server;
    QString port;
    Security security = Security::None;
    SignIn signIn;
    // The OAuth2 access token of this log-on; empty for a password sign-in.
    QByteArray accessToken;

    MailboxAddress address() const { return {username, server, port}; }

    // The port text as a number; nothing when it is none.
    std::optional<int> portNumber() const {
        bool ok = false;
        const int number = port.trimmed().toInt(&ok);
        return ok ? std::optional(number) : std::nullopt;
    }

    void clearAccount() {
        displayName.clear();
        username.clear();
        password.clear();
        server.clear();
        port.clear();
        security = Security::None;
        signIn = {};
        accessToken.clear();
    }
};

} // namespace mervantic
