#include "platform/SecretsInMemory.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace mervantic {

namespace {
// The sanitizers' leak check stops the process's threads through ptrace, which a process that
// cannot be dumped refuses: their builds keep the core limit only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif
#else
constexpr bool kUnderSanitizer = false;
#endif
} // namespace

bool keepSecretsOutOfCoreDumps() {
    const rlimit none{0, 0};
    bool kept = ::setrlimit(RLIMIT_CORE, &none) == 0;
    if (!kUnderSanitizer)
        kept = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && kept;
    return kept;
}

} // namespace mervantic
