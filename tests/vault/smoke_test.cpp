#include <gtest/gtest.h>
#include "vault/blowfish.h"
TEST(Smoke, Zero) {
    CBlowfishEngine e; unsigned char k[8] = {}; e.SetKey(k, 8);
    unsigned char b[8] = {}; e.EncryptBuffer(b, b, 8);
    const unsigned char want[8] = {0x45,0x97,0xF9,0x4E,0x78,0xDD,0x98,0x61};
    EXPECT_EQ(0, memcmp(b, want, 8));
}
