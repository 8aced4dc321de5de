// The entry list view while the vault locks and unlocks, and its hidden passwords.
#include "view/zelmora_view.h"

#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "platform/clipboard_guard.h"
#include "platform/security_settings.h"
#include "vault/entry_search.h"
#include "view/locked_panel.h"
#include "view/search_field.h"

#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

void CZelmoraView::ApplyPasswordMask() {
    const int column = m_list->FindColumn(u"Passwort"_s);
    if (column >= 0) {
        m_list->SetColumnMasked(column, security::HidePasswords());
    }
}

void CZelmoraView::OnToggleHidePasswords() {
    security::SetHidePasswords(!security::HidePasswords());
    ApplyPasswordMask();
}

void CZelmoraView::OnAboutToLock() {
    auto state = std::make_unique<SLockedList>();
    const int sorted = m_list->GetSortColumn();
    if (sorted >= 0 && sorted < m_list->GetColumnCount()) {
        state->sortTitle = m_list->GetColumnTitle(sorted);
        state->sortAscending = m_list->IsSortAscending();
    }
    for (const int row : m_list->GetSelectedItems()) {
        state->selected.push_back(m_list->GetItemData(row));
    }
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid()) {
        state->current = m_list->GetItemData(current.row());
        state->hasCurrent = true;
    }
    state->scroll = m_list->verticalScrollBar()->value();
    m_pLockedList = std::move(state);
    m_clipboard->ClearOwn();
    m_list->WipeAllItems();
    // The search's folded texts go with the rows; its words stay in the field for the unlock.
    m_pSearch->Wipe();
    m_bHitsValid = false;
}

void CZelmoraView::OnLockChanged(bool locked) {
    m_lockedPanel->setVisible(locked);
    if (m_searchField) {
        m_searchField->setEnabled(!locked);
    }
    if (locked) {
        FillList();
        m_lockedPanel->Button()->setFocus();
        return;
    }
    const std::unique_ptr<SLockedList> state = std::move(m_pLockedList);
    FillList();
    if (state) {
        RestoreListState(*state);
    }
    m_list->setFocus();
}

void CZelmoraView::RestoreListState(const SLockedList& state) {
    if (!state.sortTitle.isEmpty()) {
        const int column = m_list->FindColumn(state.sortTitle);
        if (column >= 0) {
            m_list->SortByColumn(column, state.sortAscending);
        }
    }
    std::vector<quintptr> selected = state.selected;
    std::sort(selected.begin(), selected.end());
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        const quintptr data = m_list->GetItemData(row);
        unsigned bits = 0;
        if (std::binary_search(selected.begin(), selected.end(), data)) {
            bits |= CSortListCtrl::kSelected;
        }
        if (state.hasCurrent && data == state.current) {
            bits |= CSortListCtrl::kFocused;
        }
        if (bits != 0) {
            m_list->SetItemState(row, bits, bits);
        }
    }
    m_list->verticalScrollBar()->setValue(state.scroll);
    emit commandStateChanged();
}
