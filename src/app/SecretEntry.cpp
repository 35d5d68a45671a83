#include "app/SecretEntry.h"

#include "app/Dialogs.h"
#include "app/StorableText.h"
#include "store/Settings.h"

namespace mervantic {

SecretEntry::SecretEntry(Settings& settings, Dialogs& dialogs)
    : m_settings(settings)
    , m_dialogs(dialogs) {}

QString SecretEntry::runPasswordEntered(const QString& typed) {
    const QString entry = typed.trimmed();
    if (const QString refusal = unstorableTextRefusal({entry}); !refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return typed;
    }
    QString& password = m_settings.runPassword;
    if (!password.isEmpty()) {
        // A set password is never replaced directly: typing it deletes it.
        if (entry != password) {
            m_dialogs.message(
                QStringLiteral("Enter Your Current Password, And Press -Enter- Key To Delete It"));
            return {};
        }
        password.clear();
        m_dialogs.message(QStringLiteral(
            "Okay, Your Old Password Has Been Deleted.\nNow, You Can Enter A New Password."));
        return {};
    }
    if (m_dialogs.question(QStringLiteral("Confirm: Your New Password To Run Mervantic Is: \n") +
                           entry)) {
        password = entry;
        m_dialogs.message(QStringLiteral("Your New Password Has Been Stored."));
    } else {
        m_dialogs.message(QStringLiteral("Your Password Was Not Changed."));
    }
    return {};
}

QString SecretEntry::secretEntered(const QString& typed) {
    const QString entry = typed.trimmed();
    if (const QString refusal = unstorableTextRefusal({entry}); !refusal.isEmpty()) {
        m_dialogs.message(refusal);
        return typed;
    }
    if (!m_dialogs.question(QStringLiteral("Confirm Your Shared Secret: \n") + entry)) {
        m_dialogs.message(QStringLiteral(
            "Your Secret Was Not Changed.\nYou Can Make A Correction, Then Enter Again"));
        return typed;
    }
    m_settings.options.apopSecret = entry;
    m_dialogs.message(QStringLiteral("Your New Secret Has Been Stored."));
    return {};
}

} // namespace mervantic
