#pragma once

#include "store/ConnectionSettings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace mervantic {

// Gives the access token an OAuth2 account logs on with, fresh enough for the log-on. The answer
// comes later or at once, but always once; a run goes on from it, it never waits for it.
class AccessTokens {
public:
    struct Answer {
        QByteArray token;
        // Why there is no token, in words for the failure row; empty when there is one.
        QString failure;
    };
    using Callback = std::function<void(const Answer&)>;

    virtual ~AccessTokens() = default;
    virtual void request(const MailboxAddress& account, Callback callback) = 0;
    // The server refused the token it was given: the next request asks the provider anew.
    virtual void forget(const MailboxAddress& account) = 0;
};

} // namespace mervantic
