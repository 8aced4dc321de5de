// The entry list view while the vault locks and unlocks, and its hidden passwords.
#include "view/zelmora_view.h"

#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "platform/clipboard_guard.h"
#include "platform/security_settings.h"
#include "vault/entry_search.h"
#include "view/list_keeper.h"
#include "view/locked_panel.h"
#include "view/search_field.h"

#include <QPushButton>

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
    m_pLockedList = std::make_unique<CListKeeper>(*m_list, m_doc, CListKeeper::EBy::kPosition);
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
    const std::unique_ptr<CListKeeper> state = std::move(m_pLockedList);
    FillList();
    if (state) {
        state->Restore(*m_list, m_doc);
    }
    emit commandStateChanged();
    m_list->setFocus();
}
