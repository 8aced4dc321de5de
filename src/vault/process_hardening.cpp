#include "vault/process_hardening.h"

#if defined(__unix__)
#include <sys/resource.h>
#endif
#if defined(__linux__)
#include <sys/prctl.h>
#endif

void DisableCoreDumps() {
#if defined(__unix__)
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
#endif
#if defined(__linux__)
    // Also covers a core written by a crash handler that raises the limit again, and /proc/PID/mem.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}
