// What the entry list shows besides its rows (the sort, the selected and the current entries, the
// scroll position), kept across a refill from a vault reloaded or merged from its file, where the
// entries may stand at other positions.  Entries are recognised by a hash of their four texts;
// no text is kept.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <QString>

class CEntry;
class CSortListCtrl;
class CZelmoraDoc;

class CListKeeper {
public:
    // keptShown: the entries a search shows although they do not match (positions).
    CListKeeper(const CSortListCtrl& list, const CZelmoraDoc& doc, const std::vector<int>& keptShown = {});
    // Before the refill: where those entries stand now, as far as they are still there.
    std::vector<int> KeptShown(const CZelmoraDoc& doc) const;
    // After the refill: sorted as before, the entries that are still there selected again.
    void Restore(CSortListCtrl& list, const CZelmoraDoc& doc) const;

private:
    static std::uint64_t Key(const CEntry& entry);

    QString m_strSortTitle;
    bool m_bAscending = true;
    std::unordered_map<std::uint64_t, int> m_selected;   // key, copies selected
    std::unordered_map<std::uint64_t, int> m_keptShown;  // key, copies kept
    std::uint64_t m_current = 0;
    bool m_bHasCurrent = false;
    int m_nScroll = 0;
};
