#include "view/list_keeper.h"

#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "vault/file_identity.h"

#include <QItemSelection>
#include <QItemSelectionModel>
#include <QScrollBar>

namespace {

// The entry at row (by its item data), or nullptr.
const CEntry* EntryOfRow(const CSortListCtrl& list, const CZelmoraDoc& doc, int row) {
    const auto position = static_cast<int>(list.GetItemData(row));
    return position >= 0 && position < doc.GetEntryCount() ? &doc.GetEntryAt(position) : nullptr;
}

}  // namespace

std::uint64_t CListKeeper::Key(const CEntry& entry) {
    std::uint64_t key = 0;
    for (const std::string* field :
         {&entry.GetSeite(), &entry.GetName(), &entry.GetPasswort(), &entry.GetKommentar()}) {
        key = (key ^ HashBytes(field->data(), field->size())) * 0x100000001B3ULL + field->size();
    }
    return key;
}

CListKeeper::CListKeeper(const CSortListCtrl& list, const CZelmoraDoc& doc,
                         const std::vector<int>& keptShown) {
    for (const int position : keptShown) {
        if (position >= 0 && position < doc.GetEntryCount()) {
            ++m_keptShown[Key(doc.GetEntryAt(position))];
        }
    }
    const int sorted = list.GetSortColumn();
    if (sorted >= 0 && sorted < list.GetColumnCount()) {
        m_strSortTitle = list.GetColumnTitle(sorted);
        m_bAscending = list.IsSortAscending();
    }
    for (const int row : list.GetSelectedItems()) {
        if (const CEntry* entry = EntryOfRow(list, doc, row)) {
            ++m_selected[Key(*entry)];
        }
    }
    const QModelIndex current = list.currentIndex();
    if (current.isValid()) {
        if (const CEntry* entry = EntryOfRow(list, doc, current.row())) {
            m_current = Key(*entry);
            m_bHasCurrent = true;
        }
    }
    m_nScroll = list.verticalScrollBar()->value();
}

std::vector<int> CListKeeper::KeptShown(const CZelmoraDoc& doc) const {
    std::unordered_map<std::uint64_t, int> wanted = m_keptShown;
    std::vector<int> positions;
    for (int position = 0; position < doc.GetEntryCount() && !wanted.empty(); ++position) {
        const auto found = wanted.find(Key(doc.GetEntryAt(position)));
        if (found != wanted.end()) {
            positions.push_back(position);
            if (--found->second == 0) {
                wanted.erase(found);
            }
        }
    }
    return positions;
}

void CListKeeper::Restore(CSortListCtrl& list, const CZelmoraDoc& doc) const {
    if (!m_strSortTitle.isEmpty()) {
        const int column = list.FindColumn(m_strSortTitle);
        if (column >= 0) {
            list.SortByColumn(column, m_bAscending);
        }
    }
    // The search stays as the view holds it and has already hidden the rows that do not match
    // (KeptShown before the refill); entries selected before but hidden now stay unselected.
    std::unordered_map<std::uint64_t, int> wanted = m_selected;
    QItemSelection selection;
    int current = -1;
    const int columns = list.model()->columnCount() - 1;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const CEntry* entry = EntryOfRow(list, doc, row);
        if (!entry) {
            continue;
        }
        const std::uint64_t key = Key(*entry);
        if (current < 0 && m_bHasCurrent && key == m_current) {
            current = row;
        }
        const auto found = wanted.find(key);
        if (found != wanted.end() && found->second > 0) {
            --found->second;
            selection.select(list.model()->index(row, 0), list.model()->index(row, columns));
        }
    }
    if (current >= 0) {
        list.selectionModel()->setCurrentIndex(list.model()->index(current, 0),
                                               QItemSelectionModel::NoUpdate);
    }
    if (!selection.isEmpty()) {
        list.selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    list.verticalScrollBar()->setValue(m_nScroll);
}
