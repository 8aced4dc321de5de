#include "vault/file_identity.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "vault/secure_wipe.h"

namespace {

constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;

constexpr std::uint64_t kSeed = 0x243F6A8885A308D3ULL;

std::uint64_t Mix(std::uint64_t h, std::uint64_t word) {
    h = (h ^ word) * kMix;
    return h ^ (h >> 29);
}

// The whole 8-byte words of bytes mixed into h; the rest (less than 8) is left to the caller.
std::uint64_t MixWords(std::uint64_t h, const unsigned char* bytes, std::size_t whole) {
    for (std::size_t i = 0; i < whole; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        h = Mix(h, word);
    }
    return h;
}

// The last bytes (less than 8) and the total length.
std::uint64_t Finish(std::uint64_t h, const unsigned char* tail, std::size_t n, std::uint64_t total) {
    std::uint64_t word = 0;
    std::memcpy(&word, tail, n);
    return Mix(Mix(h, word), total);
}

void TakeStat(const struct stat& st, SFileIdentity& identity) {
    identity.exists = true;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.mtimeSeconds = st.st_mtim.tv_sec;
    identity.mtimeNanoseconds = st.st_mtim.tv_nsec;
}

// The hash of the file's bytes as they are read through the descriptor.
bool HashFile(int fd, std::uint64_t& hash, std::uint64_t& size) {
    std::uint64_t h = kSeed;
    std::uint64_t total = 0;
    unsigned char buffer[65536];
    std::size_t carry = 0;  // bytes at the start of buffer not hashed yet (less than 8)
    for (;;) {
        const ssize_t n = read(fd, buffer + carry, sizeof buffer - carry);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            SecureWipe(buffer, sizeof buffer);
            return false;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::uint64_t>(n);
        const std::size_t have = carry + static_cast<std::size_t>(n);
        const std::size_t whole = have - have % 8;
        h = MixWords(h, buffer, whole);
        carry = have - whole;
        std::memmove(buffer, buffer + whole, carry);
    }
    hash = Finish(h, buffer, carry, total);  // as HashBytes does
    SecureWipe(buffer, sizeof buffer);
    size = total;
    return true;
}

}  // namespace

bool SFileIdentity::SameStat(const SFileIdentity& other) const {
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           mtimeSeconds == other.mtimeSeconds && mtimeNanoseconds == other.mtimeNanoseconds;
}

std::uint64_t HashBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::size_t whole = size - size % 8;
    return Finish(MixWords(kSeed, bytes, whole), bytes + whole, size - whole, size);
}

bool ReadFileIdentity(const std::string& path, SFileIdentity& identity) {
    identity = SFileIdentity();
    // O_NONBLOCK: a FIFO put in the vault's place must not hang the window.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    std::uint64_t hashedSize = 0;
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && HashFile(fd, identity.hash, hashedSize);
    close(fd);
    if (!ok) {
        identity = SFileIdentity();
        return false;
    }
    TakeStat(st, identity);
    // A writer between fstat and the last read: the hash is of the bytes read.
    identity.size = hashedSize;
    return true;
}

bool FileIdentityOfDescriptor(int fd, const void* bytes, std::size_t size, SFileIdentity& identity) {
    identity = SFileIdentity();
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    TakeStat(st, identity);
    identity.size = size;
    identity.hash = HashBytes(bytes, size);
    return true;
}

EFileChange CheckFileChange(const std::string& path, const SFileIdentity& known, SFileIdentity& now) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        now = SFileIdentity();
        return known.exists ? EFileChange::kGone : EFileChange::kUnchanged;
    }
    now = SFileIdentity();
    TakeStat(st, now);
    if (now.SameStat(known)) {
        now.hash = known.hash;
        return EFileChange::kUnchanged;
    }
    if (!ReadFileIdentity(path, now)) {
        return known.exists ? EFileChange::kGone : EFileChange::kUnchanged;
    }
    return known.exists && now.hash == known.hash && now.size == known.size ? EFileChange::kUnchanged
                                                                            : EFileChange::kChanged;
}
