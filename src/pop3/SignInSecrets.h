#pragma once

#include "store/ConnectionSettings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace mervantic {

// What an account signs in with when it is not in the account file: the access token of an
// OAuth2 account, fresh enough for the log-on, or a password kept in the desktop keyring. The
// answer comes later or at once, but always once; a run goes on from it, it never waits for it.
class SignInSecrets {
public:
    struct Answer {
        QByteArray secret;
        // Why there is none, in words for the failure row; empty when there is one.
        QString failure;
        // Something the user should know although the log-on can go on, for the log.
        QString note = {};
    };
    using Callback = std::function<void(const Answer&)>;

    virtual ~SignInSecrets() = default;
    virtual void requestAccessToken(const MailboxAddress& account, Callback callback) = 0;
    // The server refused the token it was given: the next request asks the provider anew.
    virtual void forget(const MailboxAddress& account) = 0;
    virtual void requestPassword(const MailboxAddress& account, Callback callback) = 0;
};

} // namespace mervantic
