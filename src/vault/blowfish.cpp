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
// overlaps the table look-ups of one block with those of the others.  The halves are copied into
// locals so that the compiler keeps them in registers (they cannot alias the tables).  Decryption
// is encryption with the subkeys taken in reverse order.
template <bool kEncrypt, int N>
inline void CryptHalves(const std::uint32_t* P, const std::uint32_t* S, std::uint32_t* left,
                        std::uint32_t* right) {
    const auto key = [P](int i) { return P[kEncrypt ? i : 17 - i]; };
    std::uint32_t l[N], r[N];
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) {
        l[k] = left[k] ^ key(0);
        r[k] = right[k];
    }
#pragma GCC unroll 8
    for (int i = 1; i < 17; i += 2) {
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) {
            r[k] ^= F(S, l[k]) ^ key(i);
        }
#pragma GCC unroll 4
        for (int k = 0; k < N; ++k) {
            l[k] ^= F(S, r[k]) ^ key(i + 1);
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < N; ++k) {
        left[k] = r[k] ^ key(17);
        right[k] = l[k];
    }
}

template <bool kEncrypt, int N>
inline void CryptBlocks(const std::uint32_t* P, const std::uint32_t* S, const unsigned char* in,
                        unsigned char* out) {
    std::uint32_t l[N], r[N];
    for (int j = 0; j < N; ++j) {
        l[j] = LoadHalf(in + 8 * j);
        r[j] = LoadHalf(in + 8 * j + 4);
    }
    CryptHalves<kEncrypt, N>(P, S, l, r);
    for (int j = 0; j < N; ++j) {
        StoreHalf(out + 8 * j, l[j]);
        StoreHalf(out + 8 * j + 4, r[j]);
    }
}

// n bytes (a multiple of 8) from in to out, four blocks at a time; the last one to three blocks
// (all there is in a short field) are still interleaved with each other.
template <bool kEncrypt>
void CryptWholeBlocks(const std::uint32_t* P, const std::uint32_t* S, const unsigned char* in,
                      unsigned char* out, std::size_t n) {
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        CryptBlocks<kEncrypt, 4>(P, S, in + k, out + k);
    }
    switch ((n - k) / 8) {
        case 3:
            CryptBlocks<kEncrypt, 3>(P, S, in + k, out + k);
            break;
        case 2:
            CryptBlocks<kEncrypt, 2>(P, S, in + k, out + k);
            break;
        case 1:
            CryptBlocks<kEncrypt, 1>(P, S, in + k, out + k);
            break;
        default:
            break;
    }
}

// Whole blocks, then a last partial block completed with zero bytes; only n input bytes are read.
template <bool kEncrypt>
void CryptBuffer(const std::uint32_t* P, const std::uint32_t* S, const unsigned char* in, unsigned char* out,
                 std::size_t n) {
    const std::size_t whole = n & ~static_cast<std::size_t>(7);
    CryptWholeBlocks<kEncrypt>(P, S, in, out, whole);
    if (whole < n) {
        unsigned char last[8] = {};
        std::memcpy(last, in + whole, n - whole);
        CryptBlocks<kEncrypt, 1>(P, S, last, out + whole);
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
    CryptHalves<true, 1>(m_P, &m_S[0][0], &left, &right);
}

void CBlowfishEngine::DecryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    CryptHalves<false, 1>(m_P, &m_S[0][0], &left, &right);
}

std::size_t CBlowfishEngine::EncryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const {
    CryptBuffer<true>(m_P, &m_S[0][0], in, out, n);
    return PaddedLength(n);
}

void CBlowfishEngine::DecryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const {
    CryptBuffer<false>(m_P, &m_S[0][0], in, out, n);
}
