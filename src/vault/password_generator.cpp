#include "vault/password_generator.h"

#include <sys/random.h>

#include <cerrno>
#include <cmath>

#include "vault/secure_wipe.h"

namespace pwgen {

namespace {

constexpr const char* kSimilar = "0OoIl1|";

// Random bytes taken from the source in blocks; the block is wiped when done, since the password
// can be read back from it.
class CRandomBytes {
public:
    explicit CRandomBytes(RandomFill fill) : m_fill(fill) {}
    ~CRandomBytes() { SecureWipe(m_buffer, sizeof m_buffer); }
    CRandomBytes(const CRandomBytes&) = delete;
    CRandomBytes& operator=(const CRandomBytes&) = delete;

    bool Next(unsigned char& byte) {
        if (m_nNext == sizeof m_buffer) {
            if ((m_nError = m_fill(m_buffer, sizeof m_buffer)) != 0) {
                return false;
            }
            m_nNext = 0;
        }
        byte = m_buffer[m_nNext];
        m_buffer[m_nNext++] = 0;
        return true;
    }
    int Error() const { return m_nError; }

private:
    RandomFill m_fill;
    unsigned char m_buffer[64] = {};
    std::size_t m_nNext = sizeof m_buffer;
    int m_nError = 0;
};

// A uniform index below n (1 to 256): a byte at or above the largest multiple of n is drawn
// again, because byte % n would favour the first 256 % n indexes.
bool DrawIndex(CRandomBytes& random, std::size_t n, std::size_t& index) {
    const unsigned limit = 256u - 256u % static_cast<unsigned>(n);
    unsigned char byte = 0;
    do {
        if (!random.Next(byte)) {
            return false;
        }
    } while (byte >= limit);
    index = byte % n;
    return true;
}

// A source that gives only passwords lacking a class is broken; after this many tries the chance
// of an honest source failing is far below 1e-200 (one try succeeds with at least 40%).
constexpr int kMaxTries = 1000;

// length * log2(n), rounded down; the tolerance keeps exact powers of two (32 symbols: 5 bits
// each) from rounding down.
int Bits(long long length, std::size_t n) {
    return static_cast<int>(
        std::floor(static_cast<double>(length) * std::log2(static_cast<double>(n)) + 1e-9));
}

}  // namespace

std::string ClassCharacters(EClass c, bool avoidSimilar) {
    std::string all;
    const auto range = [&all](char first, char last) {
        for (char ch = first; ch <= last; ++ch) {
            all += ch;
        }
    };
    switch (c) {
        case kUpper:
            range('A', 'Z');
            break;
        case kLower:
            range('a', 'z');
            break;
        case kDigits:
            range('0', '9');
            break;
        default:
            for (char ch = '!'; ch <= '~'; ++ch) {
                if (!(ch >= 'A' && ch <= 'Z') && !(ch >= 'a' && ch <= 'z') && !(ch >= '0' && ch <= '9')) {
                    all += ch;
                }
            }
            break;
    }
    if (!avoidSimilar) {
        return all;
    }
    std::string kept;
    for (char ch : all) {
        if (std::string(kSimilar).find(ch) == std::string::npos) {
            kept += ch;
        }
    }
    return kept;
}

std::string CharacterSet(const SGeneratorOptions& options) {
    std::string set;
    for (int c = 0; c < kClassCount; ++c) {
        if (options.classes[c]) {
            set += ClassCharacters(static_cast<EClass>(c), options.avoidSimilar);
        }
    }
    return set;
}

bool OptionsValid(const SGeneratorOptions& options) {
    if (options.length < kMinLength || options.length > kMaxLength) {
        return false;
    }
    for (bool chosen : options.classes) {
        if (chosen) {
            return true;
        }
    }
    return false;
}

int SystemRandom(unsigned char* data, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = getrandom(data + done, n - done, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(got);
    }
    return 0;
}

int GeneratePassword(const SGeneratorOptions& options, std::string& out, RandomFill fill) {
    SecureWipe(out);
    if (!OptionsValid(options)) {
        return EINVAL;
    }
    const std::string set = CharacterSet(options);
    std::string classOf;  // for each character of the set, its class
    for (int c = 0; c < kClassCount; ++c) {
        if (options.classes[c]) {
            classOf.append(ClassCharacters(static_cast<EClass>(c), options.avoidSimilar).size(),
                           static_cast<char>(c));
        }
    }
    CRandomBytes random(fill);
    const auto length = static_cast<std::size_t>(options.length);
    out.reserve(length);  // no reallocation leaves a copy behind
    for (int attempt = 0; attempt < kMaxTries; ++attempt) {
        // Whole passwords that lack a class are drawn again, rather than a character put in: that
        // keeps every allowed password equally likely and the strength exact.
        bool present[kClassCount] = {};
        for (std::size_t i = 0; i < length; ++i) {
            std::size_t index = 0;
            if (!DrawIndex(random, set.size(), index)) {
                SecureWipe(out);
                return random.Error();
            }
            out += set[index];
            present[static_cast<int>(classOf[index])] = true;
        }
        bool complete = true;
        for (int c = 0; c < kClassCount; ++c) {
            complete = complete && (present[c] || !options.classes[c]);
        }
        if (complete) {
            return 0;
        }
        SecureWipe(&out[0], out.size());
        out.clear();
    }
    SecureWipe(out);
    return EIO;
}

int GeneratorStrengthBits(const SGeneratorOptions& options) {
    if (!OptionsValid(options)) {
        return 0;
    }
    return Bits(options.length, CharacterSet(options).size());
}

int EstimateStrengthBits(const char* utf8Text, std::size_t size) {
    bool present[kClassCount + 1] = {};
    long long characters = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(utf8Text[i]);
        if ((b & 0xC0) == 0x80) {
            continue;  // a continuation byte of the character before
        }
        ++characters;
        if (b >= 'A' && b <= 'Z') {
            present[kUpper] = true;
        } else if (b >= 'a' && b <= 'z') {
            present[kLower] = true;
        } else if (b >= '0' && b <= '9') {
            present[kDigits] = true;
        } else if (b > ' ' && b < 0x7F) {
            present[kSymbols] = true;
        } else {
            present[kClassCount] = true;
        }
    }
    std::size_t n = 0;
    for (int c = 0; c <= kClassCount; ++c) {
        if (present[c]) {
            // The characters of no class count as many as the symbols.
            n += ClassCharacters(c == kClassCount ? kSymbols : static_cast<EClass>(c), false).size();
        }
    }
    return n < 2 ? 0 : Bits(characters, n);
}

}  // namespace pwgen
