#include "view/list_keeper.h"

#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"

#include <QItemSelection>
#include <QItemSelectionModel>
#include <QScrollBar>

bool CListKeeper::KeyAt(const CZelmoraDoc& doc, int position, std::uint64_t& key) const {
    if (position < 0 || position >= doc.GetEntryCount()) {
        return false;
    }
    key =
        m_by == EBy::kPosition ? static_cast<std::uint64_t>(position) : HashOfTexts(doc.GetEntryAt(position));
    return true;
}

bool CListKeeper::KeyOfRow(const CSortListCtrl& list, const CZelmoraDoc& doc, int row,
                           std::uint64_t& key) const {
    return KeyAt(doc, static_cast<int>(list.GetItemData(row)), key);
}

CListKeeper::CListKeeper(const CSortListCtrl& list, const CZelmoraDoc& doc, EBy by,
                         const std::vector<int>& keptShown)
    : m_by(by) {
    std::uint64_t key = 0;
    for (const int position : keptShown) {
        if (KeyAt(doc, position, key)) {
            ++m_keptShown[key];
        }
    }
    const int sorted = list.GetSortColumn();
    if (sorted >= 0 && sorted < list.GetColumnCount()) {
        m_strSortTitle = list.GetColumnTitle(sorted);
        m_bAscending = list.IsSortAscending();
    }
    for (const int row : list.GetSelectedItems()) {
        if (KeyOfRow(list, doc, row, key)) {
            ++m_selected[key];
        }
    }
    const QModelIndex current = list.currentIndex();
    m_bHasCurrent = current.isValid() && KeyOfRow(list, doc, current.row(), m_current);
    m_nScroll = list.verticalScrollBar()->value();
}

std::vector<int> CListKeeper::KeptShown(const CZelmoraDoc& doc) const {
    std::unordered_map<std::uint64_t, int> wanted = m_keptShown;
    std::vector<int> positions;
    std::uint64_t key = 0;
    for (int position = 0; position < doc.GetEntryCount() && !wanted.empty(); ++position) {
        KeyAt(doc, position, key);
        const auto found = wanted.find(key);
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
    std::uint64_t key = 0;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (!KeyOfRow(list, doc, row, key)) {
            continue;
        }
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
