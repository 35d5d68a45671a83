#include "mail/FailureRemedy.h"

namespace mervantic {

QString remedyLead(Remedy remedy) {
    switch (remedy) {
    case Remedy::CheckAgain:
        break;
    case Remedy::TrustCertificate:
        return QStringLiteral("Review the certificate (press Enter)");
    case Remedy::TrustOrGoUnencrypted:
        return QStringLiteral("Trust the certificate or check unencrypted (press Enter)");
    case Remedy::AskAdministrator:
        return QStringLiteral("Ask the server's administrator (press Enter for the certificate)");
    case Remedy::UseTls:
        return QStringLiteral("Try TLS from the start (press Enter)");
    case Remedy::ChooseSecurity:
        return QStringLiteral("Choose the security (press Enter)");
    case Remedy::SignIn:
        return QStringLiteral("Sign in again (press Enter)");
    case Remedy::ChangePassword:
        return QStringLiteral("Check the password (press Enter)");
    case Remedy::MendAccount:
        return QStringLiteral("Mend the account (press Enter)");
    }
    return QStringLiteral("Check again later (press Enter to check now)");
}

} // namespace mervantic
