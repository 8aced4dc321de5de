// Three-way merge of two versions of one vault over the version both started from.  Entries are
// compared as all four texts; a vault is a multiset of entries (it may hold two equal ones), and an
// edit is a removal and an addition.
#pragma once

#include <vector>

#include "vault/entry.h"

struct SMergeResult {
    std::vector<CEntry> entries;  // mine with theirs' changes applied
    int added = 0;                // entries of theirs appended
    int removed = 0;              // entries of mine that theirs removed
};

// What theirs changed since base is applied to mine: entries theirs added are appended in theirs'
// order, entries theirs removed go out of mine where mine still holds them unchanged.  Everything
// mine added, removed or edited stays.  A change both sides made (the same entry added or removed
// on both) counts once, so that nothing is doubled and no remaining copy is lost.
SMergeResult MergeEntries(const std::vector<CEntry>& base, const std::vector<CEntry>& mine,
                          const std::vector<CEntry>& theirs);
// The same, taking mine's entries over instead of copying them (mine is left empty).
SMergeResult MergeEntries(const std::vector<CEntry>& base, std::vector<CEntry>&& mine,
                          const std::vector<CEntry>& theirs);
