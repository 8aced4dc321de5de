#include "vault/entry_search.h"

#include "vault/entry.h"
#include "vault/secure_wipe.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace {

// The first place of needle in the bytes, or nullptr: glibc's memmem, which is vectorised;
// elsewhere a Horspool search stands in.
const char* FindBytes(const char* bytes, std::size_t size, const std::string& needle) {
#if defined(__GLIBC__)
    return static_cast<const char*>(memmem(bytes, size, needle.data(), needle.size()));
#else
    const char* end = bytes + size;
    const char* hit =
        std::search(bytes, end, std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
    return hit == end ? nullptr : hit;
#endif
}

// Lower case in code page 1252.  ß, µ and ÿ have no capital there and stay as they are.
const std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[c] = static_cast<unsigned char>(c + 0x20);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) {  // ×
            table[c] = static_cast<unsigned char>(c + 0x20);
        }
    }
    table[0x8A] = 0x9A;  // Š
    table[0x8C] = 0x9C;  // Œ
    table[0x8E] = 0x9E;  // Ž
    table[0x9F] = 0xFF;  // Ÿ
    return table;
}();

void AppendFolded(std::string& out, const std::string& text) {
    const std::size_t at = out.size();
    out.resize(at + text.size());
    char* dest = &out[at];
    for (std::size_t i = 0; i < text.size(); ++i) {
        dest[i] = static_cast<char>(kFold[static_cast<unsigned char>(text[i])]);
    }
    out.push_back('\0');  // no text holds a zero byte, so no word is found across two fields
}

// The words folded, empty ones left out, the longest first: it is the rarest as a rule, and the
// first word is the one that runs over the whole buffer.
std::vector<std::string> Prepare(const std::vector<std::string>& words) {
    std::vector<std::string> folded;
    for (const std::string& word : words) {
        if (!word.empty()) {
            folded.push_back(CEntrySearch::Fold(word));
        }
    }
    std::stable_sort(folded.begin(), folded.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return folded;
}

}  // namespace

CEntrySearch::~CEntrySearch() {
    Wipe();
}

std::string CEntrySearch::Fold(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    }
    return text;
}

void CEntrySearch::Build(const std::vector<CEntry>& entries) {
    Wipe();
    std::size_t size = 0;
    for (const CEntry& e : entries) {
        size += e.GetSeite().size() + e.GetName().size() + e.GetKommentar().size() + 3;
    }
    m_text.reserve(size);
    m_starts.reserve(entries.size() + 1);
    for (const CEntry& e : entries) {
        m_starts.push_back(m_text.size());
        AppendFolded(m_text, e.GetSeite());
        AppendFolded(m_text, e.GetName());
        AppendFolded(m_text, e.GetKommentar());
    }
    m_starts.push_back(m_text.size());
    m_bBuilt = true;
}

void CEntrySearch::Wipe() {
    SecureWipe(m_text);
    std::vector<std::size_t>().swap(m_starts);
    m_bBuilt = false;
}

bool CEntrySearch::Contains(int position, const std::string& folded) const {
    const std::size_t begin = m_starts[static_cast<std::size_t>(position)];
    const std::size_t end = m_starts[static_cast<std::size_t>(position) + 1];
    return FindBytes(m_text.data() + begin, end - begin, folded) != nullptr;
}

std::vector<int> CEntrySearch::Find(const std::vector<std::string>& words) const {
    const std::vector<std::string> folded = Prepare(words);
    std::vector<int> found;
    const int count = Count();
    if (folded.empty()) {
        found.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            found[static_cast<std::size_t>(i)] = i;
        }
        return found;
    }
    // The first word over the whole buffer: each hit names its entry, and the search goes on
    // behind that entry.
    const std::string& first = folded.front();
    const char* const base = m_text.data();
    const std::size_t total = m_text.size();
    std::size_t at = 0;
    int position = 0;
    while (at < total) {
        const char* hit = FindBytes(base + at, total - at, first);
        if (!hit) {
            break;
        }
        const auto offset = static_cast<std::size_t>(hit - base);
        // The entry holding offset: the last start at or before it.
        const auto next = std::upper_bound(m_starts.begin() + position + 1, m_starts.end(), offset);
        position = static_cast<int>(next - m_starts.begin()) - 1;
        bool all = true;
        for (std::size_t w = 1; w < folded.size() && all; ++w) {
            all = Contains(position, folded[w]);
        }
        if (all) {
            found.push_back(position);
        }
        at = m_starts[static_cast<std::size_t>(position) + 1];
        ++position;
        if (position >= count) {
            break;
        }
    }
    return found;
}

std::vector<int> CEntrySearch::FindAmong(const std::vector<std::string>& words,
                                         const std::vector<int>& candidates) const {
    const std::vector<std::string> folded = Prepare(words);
    std::vector<int> found;
    found.reserve(candidates.size());
    for (const int position : candidates) {
        if (position < 0 || position >= Count()) {
            continue;
        }
        bool all = true;
        for (std::size_t w = 0; w < folded.size() && all; ++w) {
            all = Contains(position, folded[w]);
        }
        if (all) {
            found.push_back(position);
        }
    }
    return found;
}
