#pragma once

#include "pop3/RunState.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace mervantic {

// The one POP3 conversation in progress, and the flags of the run that drives it.
struct SessionState {
    Step step = Step::Greeting;
    std::int32_t messageCount = 0;
    std::int32_t messageNumber = 0;
    std::uint32_t lastDataTick = 0;
    bool connected = false;
    bool closed = false;
    bool checkRunActive = false;
    bool deleteRunActive = false;
    bool haltRequest = false;

    QString displayName;
    QString username;
    QString password;
    QString server;
    QString port;

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
    }
};

} // namespace mervantic
