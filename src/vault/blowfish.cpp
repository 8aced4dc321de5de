#include "vault/blowfish.h"

#include <cstring>

#include "vault/secure_wipe.h"

namespace {

#include "vault/blowfish_tables.inc"

// The vault stores each 32-bit half little-endian; spelled out so that it holds on any host.
inline std::uint32_t LoadHalf(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreHalf(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// The round function over the four S-boxes laid out back to back.
inline std::uint32_t F(const std::uint32_t* S, std::uint32_t x) {
    return ((S[x >> 24] + S[256 + ((x >> 16) & 0xFF)]) ^ S[512 + ((x >> 8) & 0xFF)]) + S[768 + (x & 0xFF)];
}

// N independent blocks in lock step: their rounds do not depend on each other, so the processor
// overlaps the table look-ups of one block with those of the others.
template <int N>
inline void EncryptBlocks(const std::uint32_t* P, const std::uint32_t* S, std::uint32_t* l, std::uint32_t* r) {
    for (int k = 0; k < N; ++k) {
        l[k] ^= P[0];
    }
    for (int i = 1; i < 17; i += 2) {
        for (int k = 0; k < N; ++k) {
            r[k] ^= F(S, l[k]) ^ P[i];
        }
        for (int k = 0; k < N; ++k) {
            l[k] ^= F(S, r[k]) ^ P[i + 1];
        }
    }
    for (int k = 0; k < N; ++k) {
        const std::uint32_t t = l[k];
        l[k] = r[k] ^ P[17];
        r[k] = t;
    }
}

template <int N>
inline void DecryptBlocks(const std::uint32_t* P, const std::uint32_t* S, std::uint32_t* l, std::uint32_t* r) {
    for (int k = 0; k < N; ++k) {
        l[k] ^= P[17];
    }
    for (int i = 16; i > 0; i -= 2) {
        for (int k = 0; k < N; ++k) {
            r[k] ^= F(S, l[k]) ^ P[i];
        }
        for (int k = 0; k < N; ++k) {
            l[k] ^= F(S, r[k]) ^ P[i - 1];
        }
    }
    for (int k = 0; k < N; ++k) {
        const std::uint32_t t = l[k];
        l[k] = r[k] ^ P[0];
        r[k] = t;
    }
}

constexpr int kLanes = 4;

// Runs Blocks over n bytes (a multiple of 8) from in to out, kLanes blocks at a time.
template <void (*Blocks1)(const std::uint32_t*, const std::uint32_t*, std::uint32_t*, std::uint32_t*),
          void (*BlocksN)(const std::uint32_t*, const std::uint32_t*, std::uint32_t*, std::uint32_t*)>
void RunBlocks(const std::uint32_t* P, const std::uint32_t* S, const unsigned char* in, unsigned char* out,
               std::size_t n) {
    std::size_t k = 0;
    for (; k + 8 * kLanes <= n; k += 8 * kLanes) {
        std::uint32_t l[kLanes], r[kLanes];
        for (int j = 0; j < kLanes; ++j) {
            l[j] = LoadHalf(in + k + 8 * j);
            r[j] = LoadHalf(in + k + 8 * j + 4);
        }
        BlocksN(P, S, l, r);
        for (int j = 0; j < kLanes; ++j) {
            StoreHalf(out + k + 8 * j, l[j]);
            StoreHalf(out + k + 8 * j + 4, r[j]);
        }
    }
    for (; k < n; k += 8) {
        std::uint32_t l = LoadHalf(in + k), r = LoadHalf(in + k + 4);
        Blocks1(P, S, &l, &r);
        StoreHalf(out + k, l);
        StoreHalf(out + k + 4, r);
    }
}

}  // namespace

CBlowfishEngine::CBlowfishEngine() {
    std::memcpy(m_P, kInitialP, sizeof m_P);
    std::memcpy(m_S, kInitialS, sizeof m_S);
}

CBlowfishEngine::~CBlowfishEngine() {
    SecureWipe(m_P, sizeof m_P);
    SecureWipe(m_S, sizeof m_S);
}

void CBlowfishEngine::SetKey(const unsigned char* key, std::size_t length) {
    std::memcpy(m_P, kInitialP, sizeof m_P);
    std::memcpy(m_S, kInitialS, sizeof m_S);
    if (length == 0) {
        return;  // not a key; the tables stay the initial ones
    }
    std::size_t j = 0;
    for (auto& p : m_P) {
        std::uint32_t word = 0;
        for (int b = 0; b < 4; ++b) {
            word = (word << 8) | key[j];
            j = (j + 1) % length;
        }
        p ^= word;
    }
    std::uint32_t left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncryptBlock(left, right);
        m_P[i] = left;
        m_P[i + 1] = right;
    }
    for (auto& box : m_S) {
        for (int m = 0; m < 256; m += 2) {
            EncryptBlock(left, right);
            box[m] = left;
            box[m + 1] = right;
        }
    }
}

void CBlowfishEngine::EncryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    EncryptBlocks<1>(m_P, &m_S[0][0], &left, &right);
}

void CBlowfishEngine::DecryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    DecryptBlocks<1>(m_P, &m_S[0][0], &left, &right);
}

std::size_t CBlowfishEngine::EncryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const {
    const std::size_t whole = n & ~static_cast<std::size_t>(7);
    RunBlocks<EncryptBlocks<1>, EncryptBlocks<kLanes>>(m_P, &m_S[0][0], in, out, whole);
    if (whole < n) {
        unsigned char last[8] = {};
        std::memcpy(last, in + whole, n - whole);
        RunBlocks<EncryptBlocks<1>, EncryptBlocks<kLanes>>(m_P, &m_S[0][0], last, out + whole, 8);
    }
    return PaddedLength(n);
}

void CBlowfishEngine::DecryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const {
    const std::size_t whole = n & ~static_cast<std::size_t>(7);
    RunBlocks<DecryptBlocks<1>, DecryptBlocks<kLanes>>(m_P, &m_S[0][0], in, out, whole);
    if (whole < n) {
        unsigned char last[8] = {};
        std::memcpy(last, in + whole, n - whole);
        RunBlocks<DecryptBlocks<1>, DecryptBlocks<kLanes>>(m_P, &m_S[0][0], last, out + whole, 8);
    }
}
