// What a vault file on disk was when it was last read or written, so that a change by another
// program is noticed.  A change is a difference in the bytes; the file system's fields only say
// when the bytes need hashing again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SFileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::uint64_t hash = 0;  // of the bytes

    // The same file system fields: the bytes are taken to be the same without hashing.
    bool SameStat(const SFileIdentity& other) const;
};

enum class EFileChange {
    kUnchanged,  // the same bytes (perhaps touched or copied over with the same content)
    kChanged,    // other bytes
    kGone,       // no file at the path any more (or it cannot be read)
};

// A 64-bit hash of the bytes; not for security, only to tell versions apart.
std::uint64_t HashBytes(const void* data, std::size_t size);

// The file's fields and the hash of its bytes; false (and exists = false) when there is no
// readable regular file at the path.
bool ReadFileIdentity(const std::string& path, SFileIdentity& identity);

// The identity of the open file fd, whose bytes are the ones given (as just read from it or
// written to it): taken from the descriptor, so that nobody's file at the same path can stand in.
bool FileIdentityOfDescriptor(int fd, const void* bytes, std::size_t size, SFileIdentity& identity);

// Compares the file now with known.  Hashes only when its stat fields differ; `now` receives the
// current identity (with the hash when it was computed, else known's).
EFileChange CheckFileChange(const std::string& path, const SFileIdentity& known, SFileIdentity& now);
