#include "mail/FailureRemedy.h"

namespace mervantic {

QString remedyWords(Remedy remedy) {
    switch (remedy) {
    case Remedy::CheckAgain:
        break;
    case Remedy::TrustCertificate:
        return QStringLiteral("Review the certificate");
    case Remedy::TrustOrGoUnencrypted:
        return QStringLiteral("Trust the certificate or check unencrypted");
    case Remedy::AskAdministrator:
        return QStringLiteral("Ask the server's administrator");
    case Remedy::UseTls:
        return QStringLiteral("Try TLS from the start");
    case Remedy::ChooseSecurity:
        return QStringLiteral("Choose the security");
    case Remedy::SignIn:
        return QStringLiteral("Sign in again");
    case Remedy::ChangePassword:
        return QStringLiteral("Check the password");
    case Remedy::MendAccount:
        return QStringLiteral("Mend the account");
    }
    return QStringLiteral("Check again later");
}

QString remedyLead(Remedy remedy) {
    switch (remedy) {
    case Remedy::CheckAgain:
        return remedyWords(remedy) + QStringLiteral(" (press Enter to check now)");
    case Remedy::AskAdministrator:
        return remedyWords(remedy) + QStringLiteral(" (press Enter for the certificate)");
    default:
        return remedyWords(remedy) + QStringLiteral(" (press Enter)");
    }
}

} // namespace mervantic
