// Turns field texts into cipher bytes and back under a key derived from the vault password.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "vault/blowfish.h"

class CFieldCipher {
public:
    // Keys the engine once.  The key is the password followed by (length mod 8) spaces.
    // password must not be empty.
    explicit CFieldCipher(const std::string& password);

    // False when the key could not be built (out of memory); the cipher must not be used then.
    bool IsValid() const { return m_bValid; }

    // The text followed by count spaces.  A negative count writes "Negative pad" to the standard
    // output and gives the text unchanged; when memory runs out it writes "Fatal Error : Failed to
    // allocate newText in PadString\n" and gives no text.
    static std::optional<std::string> PadString(const std::string& text, int count);

    // Cipher bytes of the text padded with zero bytes to a multiple of 8 (empty text: no bytes).
    std::vector<unsigned char> EncryptText(const std::string& text) const;
    // The same into a buffer the caller reuses; returns the number of cipher bytes.
    std::size_t EncryptText(const char* text, std::size_t length, std::vector<unsigned char>& out) const;

    // The text the bytes decrypt to, up to its first zero byte.  A count that is not a multiple
    // of 8 decrypts the last partial block completed with zero bytes; no byte past count is read.
    std::string DecryptBytes(const unsigned char* bytes, std::size_t count) const;
    // The same into a buffer the caller reuses (its contents are replaced).
    void DecryptBytes(const unsigned char* bytes, std::size_t count, std::string& out) const;

private:
    CBlowfishEngine m_engine;
    bool m_bValid = false;
};
