#include "pop3/ProviderHints.h"

#include "Printers.h"

#include <gtest/gtest.h>

namespace mervantic {
namespace {

// Which refusals get a hint, and of which provider; the hint is matched by a word it must name.
TEST(ProviderHints, TheCommonRefusalsOfTheLargeProvidersGetWhatToDo) {
    const struct {
        const char* server;
        const char* serverText;
        bool loggingOn;
        const char* names; // nullptr: no hint
    } cases[] = {
        {"pop.gmail.com", "[AUTH] Username and password not accepted.", true, "Gmail"},
        {"POP.GMAIL.COM ", "[AUTH] Web login required", true, "Gmail"},
        {"pop.googlemail.com", "Authentication failed", true, "Gmail"},
        {"pop.mail.yahoo.com", "[AUTH] authentication failed", true, "Yahoo"},
        {"pop.mail.me.com", "failed", true, "iCloud"},
        {"pop.mail.ru", "Authentication failed", true, "Mail.ru"},
        {"pop.example.org", "Application password is REQUIRED", true, "Mail.ru"},
        {"pop.gmx.net", "Authentication failed", true, "GMX"},
        {"pop3.web.de", "Authentication failed", true, "WEB.DE"},
        {"pop.example.org", "[LOGIN-DELAY] Logged in too recently", true, "re-check"},
        {"mail.example.org",
         "[AUTH] Plaintext authentication disallowed on non-secure (SSL/TLS) connections.", true,
         "STARTTLS"},
        {"pop.gmail.com", "[SYS/TEMP] server busy", false, nullptr},
        {"pop.example.org", "[AUTH] Authentication failed.", true, nullptr},
        // Names that only look like a provider's.
        {"notgmail.com", "Authentication failed", true, nullptr},
        {"gmail.com.example.org", "Authentication failed", true, nullptr},
    };
    for (const auto& c : cases) {
        const QString hint = providerHint(QString::fromLatin1(c.server),
                                          QString::fromLatin1(c.serverText), c.loggingOn);
        if (c.names == nullptr)
            EXPECT_EQ(hint, QString()) << c.server << " / " << c.serverText;
        else
            EXPECT_TRUE(hint.contains(QLatin1String(c.names)))
                << c.server << ": " << qPrintable(hint);
    }
}

} // namespace
} // namespace mervantic
