// The entry list view's search: the words of the tool bar's field narrow the rows at once.
#include "view/zelmora_view.h"

#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "platform/text_codec.h"
#include "vault/entry_search.h"
#include "view/search_field.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

namespace {

// The words of a query in code page 1252; false when one of them holds a character no vault
// text can hold, so that nothing can match.
bool QueryWords(const QString& text, std::vector<std::string>& words) {
    words.clear();
    bool storable = true;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (!space && start < 0) {
            start = i;
        } else if (space && start >= 0) {
            bool ok = true;
            words.push_back(TextToVault(text.mid(start, i - start), &ok));
            storable = storable && ok;
            start = -1;
        }
    }
    return storable;
}

}  // namespace

void CZelmoraView::AttachSearchField(CSearchField* field) {
    m_searchField = field;
    connect(field, &QLineEdit::textChanged, this, &CZelmoraView::SetSearchText);
    connect(field, &CSearchField::enterList, this, &CZelmoraView::EnterListFromSearch);
    connect(field, &CSearchField::cancelled, this, &CZelmoraView::ClearSearch);
    connect(field, &CSearchField::listKey, this, [this](int key) {
        m_list->setFocus(Qt::OtherFocusReason);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(m_list, &press);
        emit commandStateChanged();
    });
}

bool CZelmoraView::IsSearching() const {
    for (const QChar c : m_strSearch) {
        if (!c.isSpace()) {
            return true;
        }
    }
    return false;
}

void CZelmoraView::SetSearchText(const QString& text) {
    if (text == m_strSearch) {
        return;
    }
    // Typing on can only narrow: the rows that matched so far are all that need a look.
    const bool narrowing =
        m_bHitsValid && m_keptShown.empty() && IsSearching() && text.startsWith(m_strSearch);
    m_strSearch = text;
    m_keptShown.clear();
    if (m_searchField && m_searchField->text() != text) {
        m_searchField->setText(text);
    }
    ApplySearch(narrowing);
    emit commandStateChanged();
}

void CZelmoraView::ApplySearch(bool narrowing) {
    if (!IsSearching() || m_doc.IsLocked()) {
        m_list->ShowAllRows();
        // The folded texts stay for the next search until a fill or the lock; a locked vault
        // keeps none.
        if (m_doc.IsLocked()) {
            m_pSearch->Wipe();
        }
        m_bHitsValid = false;
        EmitSearchCount();
        return;
    }
    std::vector<std::string> words;
    if (!QueryWords(m_strSearch, words)) {
        m_searchHits.clear();
    } else {
        if (!m_pSearch->IsBuilt()) {
            m_pSearch->Build(m_doc.Data().Entries());
            narrowing = false;
        }
        m_searchHits = narrowing ? m_pSearch->FindAmong(words, m_searchHits) : m_pSearch->Find(words);
    }
    m_bHitsValid = true;
    std::vector<char> shown(static_cast<std::size_t>(m_doc.GetEntryCount()), 0);
    for (const std::vector<int>* positions : {&m_searchHits, &m_keptShown}) {
        for (const int position : *positions) {
            if (position >= 0 && static_cast<std::size_t>(position) < shown.size()) {
                shown[static_cast<std::size_t>(position)] = 1;
            }
        }
    }
    m_list->FilterRows([&shown](quintptr data) { return data < shown.size() && shown[data] != 0; });
    EmitSearchCount();
}

void CZelmoraView::EmitSearchCount() {
    const bool shown = IsSearching() && !m_doc.IsLocked();
    emit searchCountChanged(shown ? m_list->GetItemCount() : -1, m_list->GetAllItemCount());
}

void CZelmoraView::KeepShown(int position) {
    if (IsSearching() && position >= 0) {
        m_keptShown.push_back(position);
    }
}

void CZelmoraView::ForgetPosition(int position) {
    m_keptShown.erase(std::remove(m_keptShown.begin(), m_keptShown.end(), position), m_keptShown.end());
    for (int& kept : m_keptShown) {
        kept -= kept > position ? 1 : 0;
    }
}

void CZelmoraView::CopyShownEntries(CVaultData& out) const {
    std::vector<int> positions;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        const int position = EntryOfRow(row);
        if (position >= 0) {
            positions.push_back(position);
        }
    }
    std::sort(positions.begin(), positions.end());
    for (const int position : positions) {
        const CEntry& e = m_doc.GetEntryAt(position);
        out.AddEntry(e.GetSeite(), e.GetName(), e.GetPasswort(), e.GetKommentar());
    }
}

void CZelmoraView::FocusSearch() {
    if (!m_searchField || m_doc.IsLocked()) {
        return;
    }
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
}

void CZelmoraView::EnterListFromSearch() {
    m_list->setFocus(Qt::OtherFocusReason);
    if (m_list->GetItemCount() == 0) {
        return;
    }
    const QModelIndex first = m_list->model()->index(0, 0);
    m_list->selectionModel()->setCurrentIndex(
        first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollTo(first);
    emit commandStateChanged();
}

void CZelmoraView::ClearSearch() {
    if (m_searchField) {
        m_searchField->clear();  // through textChanged to SetSearchText
    }
    SetSearchText(QString());
    m_list->setFocus(Qt::OtherFocusReason);
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid()) {
        m_list->scrollTo(current);
    }
}
