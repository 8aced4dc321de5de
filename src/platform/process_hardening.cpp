#include "platform/process_hardening.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

void DisableCoreDumps() {
#if defined(Q_OS_UNIX)
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
#endif
#if defined(Q_OS_LINUX)
    // Also covers a core written by a crash handler that raises the limit again, and /proc/PID/mem.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}
