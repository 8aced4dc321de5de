// Blowfish (16 rounds, ECB) with the vault's block byte order: each 32-bit half of a block is
// stored little-endian in the buffer (b0..b3 = left, b4..b7 = right).
#pragma once

#include <cstddef>
#include <cstdint>

class CBlowfishEngine {
public:
    CBlowfishEngine();
    ~CBlowfishEngine();  // wipes the key tables
    CBlowfishEngine(const CBlowfishEngine&) = delete;
    CBlowfishEngine& operator=(const CBlowfishEngine&) = delete;

    // The standard key schedule; any length of at least 1 byte (bytes past the 72nd have no effect).
    void SetKey(const unsigned char* key, std::size_t length);

    void EncryptBlock(std::uint32_t& left, std::uint32_t& right) const;
    void DecryptBlock(std::uint32_t& left, std::uint32_t& right) const;

    // n rounded up to a multiple of 8.
    static std::size_t PaddedLength(std::size_t n) { return (n + 7) & ~static_cast<std::size_t>(7); }

    // ECB encryption of n input bytes into PaddedLength(n) output bytes; the last block is filled
    // with zero bytes.  Returns PaddedLength(n).  in and out may be the same buffer.
    std::size_t EncryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const;

    // ECB decryption of ceil(n / 8) blocks into PaddedLength(n) output bytes.  Only n input bytes are
    // read: a last partial block is completed with zero bytes before it is decrypted.  in and out may
    // be the same buffer.
    void DecryptBuffer(const unsigned char* in, unsigned char* out, std::size_t n) const;

private:
    std::uint32_t m_P[18];
    std::uint32_t m_S[4][256];
};
