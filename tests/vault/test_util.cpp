#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>

#include <dirent.h>
#include <ftw.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_probing{false};
std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_limit{SIZE_MAX};

void* Allocate(std::size_t n) {
    if (g_probing.load(std::memory_order_relaxed)) {
        std::size_t seen = g_largest.load(std::memory_order_relaxed);
        while (n > seen && !g_largest.compare_exchange_weak(seen, n)) {
        }
        if (n > g_limit.load(std::memory_order_relaxed)) {
            throw std::bad_alloc();
        }
    }
    if (void* p = std::malloc(n ? n : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) {
    return Allocate(n);
}
void* operator new[](std::size_t n) {
    return Allocate(n);
}
// The nothrow forms too (std::stable_sort's buffer), or they would come from the sanitizer's
// allocator and be freed by ours.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace testutil {

std::string FromHex(const std::string& hex) {
    std::string out;
    if (hex == "-") {
        return out;
    }
    int nibbles = 0;
    unsigned value = 0;
    for (char c : hex) {
        if (c == ' ') {
            continue;
        }
        const unsigned digit =
            c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        value = value << 4 | digit;
        if (++nibbles == 2) {
            out.push_back(static_cast<char>(value));
            nibbles = 0;
            value = 0;
        }
    }
    return out;
}

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) {
            out.push_back(' ');
        }
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string DataPath(const std::string& name) {
    return std::string(ZELMORA_TEST_DATA) + "/" + name;
}

std::vector<std::string> FixtureLines(const std::string& name) {
    std::ifstream in(DataPath(name));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string WriteToMemory(const CVaultData& data) {
    std::string bytes;
    CArchiveWriter ar(bytes);
    const SVaultResult result = WriteVault(ar, data);
    EXPECT_TRUE(result.ok()) << static_cast<int>(result.status);
    return bytes;
}

SVaultResult ReadFromMemory(const std::string& bytes, CVaultData& data) {
    CArchiveReader ar(bytes.data(), bytes.size());
    return ReadVault(ar, data);
}

void ExpectSameEntries(const CVaultData& a, const CVaultData& b) {
    ASSERT_EQ(a.GetEntryCount(), b.GetEntryCount());
    for (int i = 0; i < a.GetEntryCount(); ++i) {
        const CEntry& x = a.GetEntryAt(i);
        const CEntry& y = b.GetEntryAt(i);
        EXPECT_EQ(x.GetSeite(), y.GetSeite()) << "entry " << i;
        EXPECT_EQ(x.GetName(), y.GetName()) << "entry " << i;
        EXPECT_EQ(x.GetPasswort(), y.GetPasswort()) << "entry " << i;
        EXPECT_EQ(x.GetKommentar(), y.GetKommentar()) << "entry " << i;
    }
}

CTempDir::CTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelmora-test-XXXXXX";
    if (mkdtemp(&pattern[0])) {
        m_path = pattern;
    }
    EXPECT_FALSE(m_path.empty());
}

CTempDir::~CTempDir() {
    if (!m_path.empty()) {
        nftw(
            m_path.c_str(),
            [](const char* p, const struct stat*, int, struct FTW*) { return std::remove(p); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
}

std::vector<std::string> CTempDir::Names() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(m_path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

CAllocationProbe::CAllocationProbe(std::size_t limit) {
    g_largest = 0;
    g_limit = limit;
    g_probing = true;
}

CAllocationProbe::~CAllocationProbe() {
    g_probing = false;
    g_limit = SIZE_MAX;
}

std::size_t CAllocationProbe::Largest() const {
    return g_largest;
}

}  // namespace testutil
