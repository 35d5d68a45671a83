#pragma once

#include <QString>

#include <cstdint>

namespace mervantic {

// The one POP3 conversation in progress, and the flags of the run that drives it.
struct SessionState {
    // Which reply is awaited: 0 greeting, 1 USER, 2 PASS, 3 STAT, 4 TOP/RETR, 5 QUIT,
    // 6 DELE, 7 QUIT sent by the delete matching, 8 APOP.
    int step = 0;
    std::int32_t messageCount = 0;
    std::int32_t messageNumber = 0;
    std::uint32_t lastDataTick = 0;
    bool connected = false;
    bool closed = false;
    bool suppressAdvance = false;
    bool checkRunActive = false;
    bool deleteRunActive = false;
    bool haltRequest = false;

    QString displayName;
    QString username;
    QString password;
    QString server;
    QString port;

    void clearAccount() {
        displayName.clear();
        username.clear();
        password.clear();
        server.clear();
        port.clear();
    }
};

// The fields of a check run kept beside the conversation.
struct CheckRunFields {
    std::int32_t firstAccountIndex = 0;
    std::int32_t lastAccountIndex = 0;
    std::int32_t accountIndex = 0;
    std::int32_t noMailRows = 0;
    std::int32_t runDateFormat = 1;
};

} // namespace mervantic
