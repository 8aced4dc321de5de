#include "vault/secure_wipe.h"

#include <cstring>

#if defined(__GLIBC__) || defined(__OpenBSD__) || defined(__FreeBSD__)
#include <strings.h>
#define ZELMORA_HAVE_EXPLICIT_BZERO 1
#endif

void SecureWipe(void* data, std::size_t n) {
    if (n == 0) {
        return;
    }
#ifdef ZELMORA_HAVE_EXPLICIT_BZERO
    explicit_bzero(data, n);
#else
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (n--) {
        *p++ = 0;
    }
#endif
}

void SecureWipe(std::string& text) {
    // The whole buffer, so that text that was longer before a shrink goes too.
    SecureWipe(&text[0], text.capacity());
    text.clear();
}
