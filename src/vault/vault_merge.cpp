#include "vault/vault_merge.h"

#include <algorithm>
#include <cstddef>
#include <future>
#include <unordered_map>
#include <utility>

#include "vault/second_thread.h"

namespace {

// Refers to an entry of one of the three inputs, which outlive the merge, with its hash computed
// once.
struct SKey {
    const CEntry* entry;
    std::size_t hash;
};

bool operator==(const SKey& a, const SKey& b) {
    return a.hash == b.hash && SameTexts(*a.entry, *b.entry);
}

struct SKeyHash {
    std::size_t operator()(const SKey& key) const { return key.hash; }
};

struct SCounts {
    int base = 0;
    int mine = 0;
    int theirs = 0;
    int toRemove = 0;  // copies still to take out of mine
    int toAdd = 0;     // copies of theirs still to append
};

using CCountMap = std::unordered_map<SKey, SCounts, SKeyHash>;

// The change both sides agree on counts once; opposite changes add up.
int MergedDelta(int mine, int theirs) {
    if ((mine > 0 && theirs > 0) || (mine < 0 && theirs < 0)) {
        return mine > 0 ? std::max(mine, theirs) : std::min(mine, theirs);
    }
    return mine + theirs;
}

}  // namespace

SMergeResult MergeEntries(const std::vector<CEntry>& base, std::vector<CEntry>&& mine,
                          const std::vector<CEntry>& theirs) {
    SMergeResult merged;
    // First what theirs changed since base: only entries whose number of copies differs there can
    // change mine.  Usually a few among many, so mine is looked up in a small table.  Both sides
    // are sorted by hash and walked side by side, which costs far less than a table of all.
    CCountMap delta;
    std::vector<std::size_t> theirsHashes(theirs.size());  // in theirs' order, for the last step
    {
        struct SItem {
            std::size_t hash;
            const CEntry* entry;
        };
        const auto sorted = [](const std::vector<CEntry>& entries) {
            std::vector<SItem> items;
            items.reserve(entries.size());
            for (const CEntry& e : entries) {
                items.push_back({HashOfTexts(e), &e});
            }
            std::sort(items.begin(), items.end(),
                      [](const SItem& a, const SItem& b) { return a.hash < b.hash; });
            return items;
        };
        // The two sides are hashed and sorted at once where a second thread can be had.
        std::future<std::vector<SItem>> baseSorted = RunOnSecondThread([&] { return sorted(base); });
        const std::vector<SItem> t = sorted(theirs);
        const std::vector<SItem> b = baseSorted.get();
        for (const SItem& item : t) {
            theirsHashes[static_cast<std::size_t>(item.entry - theirs.data())] = item.hash;
        }
        std::size_t i = 0;
        std::size_t j = 0;
        std::vector<SItem> group;  // the entries of one hash, from both sides
        while (i < b.size() || j < t.size()) {
            const std::size_t hash =
                j == t.size() || (i < b.size() && b[i].hash < t[j].hash) ? b[i].hash : t[j].hash;
            const std::size_t bStart = i;
            while (i < b.size() && b[i].hash == hash) {
                ++i;
            }
            const std::size_t tStart = j;
            while (j < t.size() && t[j].hash == hash) {
                ++j;
            }
            // The common case: one entry on each side, the same.
            if (i - bStart == 1 && j - tStart == 1 &&
                SKey{b[bStart].entry, hash} == SKey{t[tStart].entry, hash}) {
                continue;
            }
            // Otherwise count each distinct entry of the hash on both sides.
            group.assign(b.begin() + static_cast<std::ptrdiff_t>(bStart),
                         b.begin() + static_cast<std::ptrdiff_t>(i));
            const std::size_t fromTheirs = group.size();
            group.insert(group.end(), t.begin() + static_cast<std::ptrdiff_t>(tStart),
                         t.begin() + static_cast<std::ptrdiff_t>(j));
            for (std::size_t k = 0; k < group.size(); ++k) {
                const SKey key{group[k].entry, hash};
                bool counted = false;
                for (std::size_t m = 0; m < k && !counted; ++m) {
                    counted = SKey{group[m].entry, hash} == key;
                }
                if (counted) {
                    continue;
                }
                SCounts c;
                for (std::size_t m = k; m < group.size(); ++m) {
                    if (SKey{group[m].entry, hash} == key) {
                        ++(m < fromTheirs ? c.base : c.theirs);
                    }
                }
                if (c.base != c.theirs) {
                    delta.emplace(key, c);
                }
            }
        }
    }
    if (delta.empty()) {
        merged.entries = std::move(mine);
        return merged;
    }
    std::vector<CCountMap::iterator> mineKeys(mine.size(), delta.end());
    for (std::size_t i = 0; i < mine.size(); ++i) {
        const auto found = delta.find(SKey{&mine[i], HashOfTexts(mine[i])});
        if (found != delta.end()) {
            ++found->second.mine;
            mineKeys[i] = found;
        }
    }
    for (auto& [key, c] : delta) {
        // Only theirs' part of the merged change is applied to mine.
        const int result = c.base + MergedDelta(c.mine - c.base, c.theirs - c.base);
        c.toRemove = std::max(0, c.mine - result);
        c.toAdd = std::max(0, result - c.mine);
    }

    // Removed copies go from the end of mine, so the ones that stay keep their places.
    std::vector<bool> keep(mine.size(), true);
    for (std::size_t i = mine.size(); i-- > 0;) {
        if (mineKeys[i] != delta.end() && mineKeys[i]->second.toRemove > 0) {
            --mineKeys[i]->second.toRemove;
            keep[i] = false;
            ++merged.removed;
        }
    }
    // Added copies are theirs' last occurrences, in theirs' order.
    std::vector<std::size_t> added;
    for (std::size_t i = theirs.size(); i-- > 0;) {
        const auto found = delta.find(SKey{&theirs[i], theirsHashes[i]});
        if (found != delta.end() && found->second.toAdd > 0) {
            --found->second.toAdd;
            added.push_back(i);
        }
    }
    merged.added = static_cast<int>(added.size());

    // Kept entries move into the result; what is left behind in mine (the removed entries, the
    // moved-from remains) is wiped as mine goes.
    merged.entries.reserve(mine.size() - static_cast<std::size_t>(merged.removed) + added.size());
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (keep[i]) {
            merged.entries.push_back(std::move(mine[i]));
        }
    }
    for (auto it = added.rbegin(); it != added.rend(); ++it) {
        merged.entries.push_back(theirs[*it]);
    }
    std::vector<CEntry>().swap(mine);
    return merged;
}

SMergeResult MergeEntries(const std::vector<CEntry>& base, const std::vector<CEntry>& mine,
                          const std::vector<CEntry>& theirs) {
    return MergeEntries(base, std::vector<CEntry>(mine), theirs);
}
