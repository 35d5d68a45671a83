#pragma once

#include "store/ConnectionSettings.h"

#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

namespace mervantic {

// The least time between two log-ons each server asked for (LOGIN-DELAY in its capabilities),
// and when the program last logged on there, for the timed re-check to leave an account alone
// until it may log on again. Kept while the program runs.
class LoginDelays {
public:
    // A log-on succeeded at tick `now`; `seconds` is the delay the server listed, if any.
    void loggedOn(const MailboxAddress& account, std::uint32_t now, std::optional<int> seconds) {
        if (seconds)
            m_delays[key(account)] = {now, *seconds};
        else
            m_delays.erase(key(account));
    }
    // The seconds the account must still wait at tick `now`; 0 when it may log on.
    int secondsLeft(const MailboxAddress& account, std::uint32_t now) const {
        const auto found = m_delays.find(key(account));
        if (found == m_delays.end())
            return 0;
        const std::uint64_t elapsedMs = std::uint32_t(now - found->second.tick);
        const std::uint64_t delayMs = std::uint64_t(found->second.seconds) * 1000;
        return elapsedMs >= delayMs ? 0 : int((delayMs - elapsedMs + 999) / 1000);
    }
    // The delay the server asked for, in seconds; 0 when none.
    int delaySeconds(const MailboxAddress& account) const {
        const auto found = m_delays.find(key(account));
        return found == m_delays.end() ? 0 : found->second.seconds;
    }

private:
    struct Delay {
        std::uint32_t tick;
        int seconds;
    };
    static std::tuple<QString, QString, QString> key(const MailboxAddress& account) {
        return {account.username, account.server, account.port};
    }
    std::map<std::tuple<QString, QString, QString>, Delay> m_delays;
};

} // namespace mervantic
