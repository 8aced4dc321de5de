#include "vault/heap_hygiene.h"

#include <cstddef>
#include <cstdlib>

#include "vault/secure_wipe.h"

#if defined(__GLIBC__)
#include <malloc.h>
#define ZELMORA_HAVE_GLIBC_MALLOC 1
#endif

namespace {

// Not 0: glibc switches the filling off for 0.  Handed-out blocks get its complement (0x5a).
constexpr int kFreedByte = 0xa5;

// glibc's thread cache: 64 sizes in steps of 16 bytes from 24 usable bytes, at most 7 blocks of
// each by default; twice that many are taken, so that a larger setting is mostly covered too.
constexpr std::size_t kCachedSizes = 64;
constexpr std::size_t kBlocksPerSize = 16;

}  // namespace

void FillFreedMemory(bool on) {
#ifdef ZELMORA_HAVE_GLIBC_MALLOC
    mallopt(M_PERTURB, on ? kFreedByte : 0);
#else
    (void)on;
#endif
}

void ScrubFreedMemory() {
#ifdef ZELMORA_HAVE_GLIBC_MALLOC
    void* blocks[kCachedSizes * kBlocksPerSize] = {};
    std::size_t n = 0;
    // Each size's cache first gives back what it holds; what comes after it is from the filled bins.
    for (std::size_t size = 0; size < kCachedSizes; ++size) {
        for (std::size_t i = 0; i < kBlocksPerSize; ++i) {
            void* block = std::malloc(24 + 16 * size);
            if (block) {
                SecureWipe(block, malloc_usable_size(block));
                blocks[n++] = block;
            }
        }
    }
    while (n > 0) {
        std::free(blocks[--n]);
    }
#endif
}
