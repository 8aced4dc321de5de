// Keeps vault texts out of core files and out of reach of debuggers run by the same user: the
// window program and zelmora-cli both harden themselves with it first thing.
#pragma once

// Sets the core-file limit to 0 (soft and hard, so a child cannot raise it again) and marks the
// process not dumpable, which also refuses ptrace attaching by the user's other processes.  Does
// nothing where the platform has neither control.
void DisableCoreDumps();

// DisableCoreDumps() in release builds only: a debug build keeps its core files for debugging.
// Decided by NDEBUG of the calling build, hence inline.
inline void DisableCoreDumpsInReleaseBuilds() {
#ifdef NDEBUG
    DisableCoreDumps();
#endif
}
