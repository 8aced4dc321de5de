// Finding entries by the words a user types: every word must occur, ignoring case, in the site
// name, the user name or the comment.  Passwords are never looked at.  The texts are kept once,
// folded to lower case, in one buffer, so that a search over 100,000 entries is one pass of
// memmem over a few megabytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CEntry;

class CEntrySearch {
public:
    CEntrySearch() = default;
    CEntrySearch(const CEntrySearch&) = delete;
    CEntrySearch& operator=(const CEntrySearch&) = delete;
    ~CEntrySearch();

    // The text in lower case of code page 1252: A-Z, the accented capitals (Ä Ö Ü ...), Š Œ Ž Ÿ.
    static std::string Fold(std::string text);

    // The searchable texts of these entries, replacing what was kept before.
    void Build(const std::vector<CEntry>& entries);
    // Zeroes the kept texts and forgets them (the vault locks, the search ends).
    void Wipe();
    bool IsBuilt() const { return m_bBuilt; }
    int Count() const { return static_cast<int>(m_starts.empty() ? 0 : m_starts.size() - 1); }

    // Positions, ascending, of the entries in which every word (code page 1252, any case) occurs.
    // No words: every entry.  A word that is empty is passed over.
    std::vector<int> Find(const std::vector<std::string>& words) const;
    // The same, looking only at the candidates (ascending positions): for a query that can only
    // narrow the last one, as when the user types on.
    std::vector<int> FindAmong(const std::vector<std::string>& words,
                               const std::vector<int>& candidates) const;

private:
    bool Contains(int position, const std::string& folded) const;

    std::string m_text;                 // per entry: site, 0, name, 0, comment, 0; folded
    std::vector<std::size_t> m_starts;  // where each entry begins in m_text, and the end
    bool m_bBuilt = false;
};
