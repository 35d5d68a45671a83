#pragma once

#include <QString>

namespace mervantic {

// What a user can do about the refusals people meet most with the large mail providers, in one
// plain line; empty when there is nothing to add to the server's own words. `server` is the
// account's server name, `serverText` the refusal as the server sent it, and `loggingOn` whether
// it came while logging on (the greeting, USER, PASS or APOP).
QString providerHint(const QString& server, const QString& serverText, bool loggingOn);

// Whether `server` is Gmail's, which hides a message fetched whole (RETR) from later POP3
// sessions.
bool isGmailServer(const QString& server);

} // namespace mervantic
