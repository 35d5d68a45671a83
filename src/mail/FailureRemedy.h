#pragma once

#include <QString>

namespace mervantic {

// What the user can do about an account that could not be checked: the failure row offers it
// first (Enter, a double-click, its menu), and its words lead the row's reason.
enum class Remedy : quint8 {
    // Nothing of the account's is wrong that the user could change: check it again later.
    CheckAgain,
    // The server's certificate was refused, and trusting it would let the next check through.
    TrustCertificate,
    // The same for an account that was checked without encryption before STARTTLS was used
    // where offered: trust the certificate, or check it as before (unencrypted).
    TrustOrGoUnencrypted,
    // The certificate cannot be trusted (expired, or unusable): only its server can mend it.
    AskAdministrator,
    // Not a byte came on a port other than 110: it may expect TLS from the start.
    UseTls,
    // STARTTLS refused, missing or taken out, or a handshake that was not TLS.
    ChooseSecurity,
    // OAuth2: no token, or the provider or the server refused it.
    SignIn,
    // The server refused the password (or the APOP secret).
    ChangePassword,
    // The account's record or its settings could not be read: it must be changed to be checked.
    MendAccount,
};

// What to do, in a few words ("Check the password").
QString remedyWords(Remedy remedy);
// The same on a failure row, with the key that does it.
QString remedyLead(Remedy remedy);

} // namespace mervantic
