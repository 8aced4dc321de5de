#include "vault/field_cipher.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "vault/secure_wipe.h"

CFieldCipher::CFieldCipher(const std::string& password) {
    if (password.empty()) {
        return;
    }
    // r spaces for a length of r mod 8, not 8 - r: this is how existing vaults were keyed.
    std::optional<std::string> key = PadString(password, static_cast<int>(password.size() % 8));
    if (!key) {
        return;
    }
    m_engine.SetKey(reinterpret_cast<const unsigned char*>(key->data()), key->size());
    SecureWipe(*key);
    m_bValid = true;
}

std::optional<std::string> CFieldCipher::PadString(const std::string& text, int count) {
    if (count < 0) {
        std::fputs("Negative pad", stdout);
        return text;
    }
    try {
        std::string newText;
        newText.reserve(text.size() + static_cast<std::size_t>(count));
        newText.append(text).append(static_cast<std::size_t>(count), ' ');
        return newText;
    } catch (const std::bad_alloc&) {
        std::fputs("Fatal Error : Failed to allocate newText in PadString\n", stdout);
        return std::nullopt;
    } catch (const std::length_error&) {
        std::fputs("Fatal Error : Failed to allocate newText in PadString\n", stdout);
        return std::nullopt;
    }
}

std::vector<unsigned char> CFieldCipher::EncryptText(const std::string& text) const {
    std::vector<unsigned char> out;
    EncryptText(text.data(), text.size(), out);
    return out;
}

std::size_t CFieldCipher::EncryptText(const char* text, std::size_t length,
                                      std::vector<unsigned char>& out) const {
    const std::size_t n = CBlowfishEngine::PaddedLength(length);
    out.resize(n);
    if (n != 0) {
        m_engine.EncryptBuffer(reinterpret_cast<const unsigned char*>(text), out.data(), length);
    }
    return n;
}

std::string CFieldCipher::DecryptBytes(const unsigned char* bytes, std::size_t count) const {
    std::string out;
    DecryptBytes(bytes, count, out);
    return out;
}

void CFieldCipher::DecryptBytes(const unsigned char* bytes, std::size_t count, std::string& out) const {
    out.resize(CBlowfishEngine::PaddedLength(count));
    if (count == 0) {
        return;
    }
    auto* buffer = reinterpret_cast<unsigned char*>(&out[0]);
    m_engine.DecryptBuffer(bytes, buffer, count);
    // The text ends at its first zero byte; the padding and anything behind it are dropped.
    const void* zero = std::memchr(buffer, 0, out.size());
    if (zero) {
        out.resize(static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - buffer));
    }
}
