#include "vault/process_hardening.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// In a child process: the limits cannot be raised again afterwards, and this process would lose its
// core files too.
TEST(ProcessHardening, DisableCoreDumpsLeavesNoCoreFileAndNoAttaching) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DisableCoreDumps();
        rlimit limit{};
        if (getrlimit(RLIMIT_CORE, &limit) != 0 || limit.rlim_cur != 0 || limit.rlim_max != 0) {
            _exit(1);
        }
        if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) {
            _exit(2);
        }
        // The hard limit of 0 also refuses raising it back.
        const rlimit again{RLIM_INFINITY, RLIM_INFINITY};
        _exit(setrlimit(RLIMIT_CORE, &again) == 0 && getuid() != 0 ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: core limit not 0, 2: still dumpable, 3: limit raised again";
}
