// The process that holds passwords and tokens writes no core dump and cannot be read by
// another process of the user through ptrace.
#include "platform/SecretsInMemory.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mervantic {
namespace {

TEST(SecretsInMemory, NoCoreDumpAndNoDebuggerOfTheSameUser) {
    // In a child, so that the test process itself stays as it was.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!keepSecretsOutOfCoreDumps())
            ::_exit(1);
        rlimit core{};
        if (::getrlimit(RLIMIT_CORE, &core) != 0 || core.rlim_cur != 0 || core.rlim_max != 0)
            ::_exit(2);
#if !defined(__SANITIZE_ADDRESS__)
        if (::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0)
            ::_exit(3);
#endif
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace mervantic
