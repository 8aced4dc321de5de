// What the entry list shows besides its rows (the sort, the selected and the current entries, the
// scroll position), kept across a refill.  After a vault was reloaded or merged from its file the
// entries may stand at other positions: they are recognised by a hash of their four texts.  Across
// the lock they stand where they stood, and only their positions are kept, nothing of the texts.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <QString>

class CSortListCtrl;
class CZelmoraDoc;

class CListKeeper {
public:
    enum class EBy { kTexts, kPosition };
    // keptShown: the entries a search shows although they do not match (positions).
    CListKeeper(const CSortListCtrl& list, const CZelmoraDoc& doc, EBy by,
                const std::vector<int>& keptShown = {});
    // Before the refill: where those entries stand now, as far as they are still there.
    std::vector<int> KeptShown(const CZelmoraDoc& doc) const;
    // After the refill: sorted as before, the entries that are still there selected again.
    void Restore(CSortListCtrl& list, const CZelmoraDoc& doc) const;

private:
    // The key of the entry at position, or false when there is none.
    bool KeyAt(const CZelmoraDoc& doc, int position, std::uint64_t& key) const;
    bool KeyOfRow(const CSortListCtrl& list, const CZelmoraDoc& doc, int row, std::uint64_t& key) const;

    EBy m_by;
    QString m_strSortTitle;
    bool m_bAscending = true;
    std::unordered_map<std::uint64_t, int> m_selected;   // key, copies selected
    std::unordered_map<std::uint64_t, int> m_keptShown;  // key, copies kept
    std::uint64_t m_current = 0;
    bool m_bHasCurrent = false;
    int m_nScroll = 0;
};
