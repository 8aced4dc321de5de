// Writing a vault as a KDBX 4.0 file, the format of KeePass and of the programs that read it: the
// way out of the old format without a clear-text file on the disk.
//
// The file: key derived with Argon2id, contents compressed with GZip and encrypted with ChaCha20,
// header and every block authenticated with HMAC-SHA-256, the passwords hidden once more by the
// inner ChaCha20 stream.  One group named after the vault; per entry Title = Seite, UserName =
// Name, Password = Passwort, Notes = Kommentar, and URL = Seite when it reads as a web address.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vault/vault_file.h"
#include "vault/vault_format.h"

class CVaultData;

namespace kdbx {

// Argon2id, as the file's header records it.
struct SKdfParams {
    std::uint64_t iterations = 2;
    std::uint64_t memoryBytes = 64ull << 20;
    std::uint32_t lanes = 2;
};

// What every exported file uses: 64 MiB in 2 lanes, never fewer than 2 iterations.
constexpr std::uint64_t kMemoryBytes = 64ull << 20;
constexpr std::uint32_t kLanes = 2;
constexpr std::uint64_t kMinIterations = 2;

// The iterations at 64 MiB and 2 lanes that take about targetSeconds on this machine, measured
// with one short derivation; at least kMinIterations.
SKdfParams CalibrateKdf(double targetSeconds = 1.0);

// Characters that XML 1.0 cannot carry (most control characters), dropped from one field.
struct SDropped {
    int position;  // the entry's position in the vault
    int field;     // 0 site, 1 name, 2 password, 3 comment
    int count;
};

// Whether a site reads as a web address: it has a scheme ("https://"), or a dot and no blank.
bool ReadsAsWebAddress(const std::string& cp1252Text);

// A growing byte buffer that zeroes every block of memory it gives back: it holds clear texts.
class CWipedBuffer {
public:
    CWipedBuffer() = default;
    ~CWipedBuffer() { Clear(); }
    CWipedBuffer(const CWipedBuffer&) = delete;
    CWipedBuffer& operator=(const CWipedBuffer&) = delete;

    void Reserve(std::size_t n);
    // n more bytes at the end, uninitialised; valid until the next call that grows the buffer.
    unsigned char* Extend(std::size_t n);
    void Append(const void* data, std::size_t n);
    void Append(const std::string& text) { Append(text.data(), text.size()); }
    void Shrink(std::size_t size) { m_size = size < m_size ? size : m_size; }
    // Zeroes the whole buffer and gives it back.
    void Clear();

    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(m_store.data()); }
    unsigned char* Data() { return reinterpret_cast<unsigned char*>(m_store.data()); }
    std::size_t Size() const { return m_size; }

private:
    std::string m_store;  // its size is the capacity; m_size bytes are used
    std::size_t m_size = 0;
};

// The clear part of the file, built from the vault on the caller's thread: the inner header and
// the XML document, with the passwords already hidden by the inner stream.  Texts are converted
// from code page 1252 to UTF-8.  Holds the entries' texts, so its memory is wiped when it goes.
class CKdbxPayload {
public:
    // groupName (UTF-8) names the database and its one group: the vault's file name, usually.
    // Throws std::bad_alloc, and std::runtime_error when the random source or a cipher fails.
    CKdbxPayload(const CVaultData& data, const std::string& groupName);
    CKdbxPayload(const CKdbxPayload&) = delete;
    CKdbxPayload& operator=(const CKdbxPayload&) = delete;

    int EntryCount() const { return m_nEntries; }
    const std::vector<SDropped>& Dropped() const { return m_dropped; }
    int DroppedCount() const;

    // Inner header and XML, for the encoder.
    const CWipedBuffer& Bytes() const { return m_bytes; }

private:
    CWipedBuffer m_bytes;
    int m_nEntries = 0;
    std::vector<SDropped> m_dropped;
    friend class CPayloadBuilder;
};

// The whole file in memory: header, its hash and HMAC, the HMAC block stream.  password is UTF-8.
// kOutOfMemory when the derivation cannot get its memory, kGeneralError when a cipher fails.
SVaultResult EncodeKdbx(const CKdbxPayload& payload, const std::string& password, const SKdfParams& kdf,
                        std::string& file);

// EncodeKdbx, then the atomic save of vault files (a new file gets mode 0600).  With
// EReplace::kNever an existing file, even one made while the key was derived, stays (EEXIST).
SVaultResult WriteKdbxFile(const std::string& path, const CKdbxPayload& payload, const std::string& password,
                           const SKdfParams& kdf, EReplace replace = EReplace::kAllowed);

}  // namespace kdbx
