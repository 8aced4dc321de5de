// Keeps vault texts out of heap blocks that were given back.  The objects wipe what they own; a
// block freed by a library (a temporary copy, a conversion) is filled by the allocator instead.
#pragma once

// Has the C library fill every block as it is freed (glibc's M_PERTURB; blocks are handed out
// filled too).  off restores the plain behaviour.  Does nothing where the library has no such
// switch.
void FillFreedMemory(bool on);

// The allocator's per-thread cache of small blocks skips that filling: this takes every block it
// holds for the calling thread, zeroes it and gives it back.  Run after texts were dropped.
void ScrubFreedMemory();
