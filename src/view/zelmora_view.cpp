#include "view/zelmora_view.h"

#include "controls/sort_list_ctrl.h"
#include "dialogs/entry_dlg.h"
#include "dialogs/options_dlg.h"
#include "document/vault_sync.h"
#include "document/zelmora_doc.h"
#include "online/online_commands.h"
#include "platform/clipboard_guard.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/text_codec.h"
#include "platform/web_launcher.h"
#include "resources/commands.h"
#include "resources/resource_ids.h"
#include "vault/entry_search.h"
#include "view/file_changed_bar.h"
#include "view/list_keeper.h"
#include "view/locked_panel.h"
#include "view/print_entry_list.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString kSeite = u"Seite"_s;
const QString kName = u"Name"_s;
const QString kPasswort = u"Passwort"_s;
const QString kKommentar = u"Kommentar"_s;

constexpr int kColumnWidths[4] = {250, 130, 130, 250};

// What a cell shows of a field at most.  The entry keeps all of it; a field of a gigabyte would
// otherwise cost the list several and end the program.
constexpr qsizetype kMaxCellText = 4096;

// The arrangement of the columns: a section of our own, apart from the "Column1".."Column4" the
// user writes.
constexpr const char* kSectionColumns = "Columns";
constexpr const char* kCaptionCount = "Captions";
constexpr const char* kColumnCount = "Count";
constexpr const char* kSortColumn = "SortColumn";
constexpr const char* kSortAscending = "SortAscending";
constexpr int kMostColumns = 64;

QByteArray ColumnKey(const char* name, int index) {
    return QByteArray(name) + QByteArray::number(index + 1);
}

}  // namespace

CZelmoraView::CZelmoraView(CZelmoraDoc& doc, QWidget* parent)
    : QWidget(parent),
      m_doc(doc),
      m_list(new CSortListCtrl(this)),
      m_printer(std::make_unique<CEntryListPrinter>()),
      m_clipboard(new CClipboardGuard(this)),
      m_lockedPanel(new CLockedPanel(m_list->viewport())),
      m_pSearch(std::make_unique<CEntrySearch>()) {
    m_list->setObjectName(u"entryList"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new CFileChangedBar(m_doc.Sync(), this));
    layout->addWidget(m_list);
    setFocusProxy(m_list);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &CSortListCtrl::listDoubleClicked, this, &CZelmoraView::OnListDoubleClick);
    connect(m_list, &CSortListCtrl::listRightClicked, this, &CZelmoraView::OnListRightClick);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CZelmoraView::commandStateChanged);
    connect(&m_doc, &CDocument::updateViews, this, [this] {
        // Another vault, or the same one anew: nothing is kept shown against the search.
        m_keptShown.clear();
        FillList();
    });
    connect(&m_doc, &CDocument::initialUpdate, this, &CZelmoraView::OnInitialUpdate);
    connect(&m_doc, &CZelmoraDoc::aboutToLock, this, &CZelmoraView::OnAboutToLock);
    connect(&m_doc, &CZelmoraDoc::lockChanged, this, &CZelmoraView::OnLockChanged);
    connect(m_lockedPanel, &CLockedPanel::unlockRequested, this, &CZelmoraView::unlockRequested);
    connect(&m_doc.Sync(), &CVaultSync::aboutToReload, this, &CZelmoraView::OnAboutToReload);
    connect(&m_doc.Sync(), &CVaultSync::reloaded, this, &CZelmoraView::RefillKeepingState);
}

CZelmoraView::~CZelmoraView() = default;

void CZelmoraView::OnInitialUpdate() {
    // The columns are built anew; with "RestorePosition" they come back as the user left them:
    // as stored at the first update, later as they were just now.
    const bool restore =
        CSettingsStore::ReadInt(settings::kSectionProperties, settings::kRestorePosition, 1) >= 1;
    const SColumnState arrangement = !restore                       ? SColumnState()
                                     : m_list->GetColumnCount() > 0 ? CurrentColumnState()
                                                                    : StoredColumnState();
    m_list->DeleteAllItems();
    for (int n = m_list->GetColumnCount(); n > 0; --n) {
        m_list->DeleteColumn(0);
    }
    QString captions[4];
    CRegistryKey key;
    if (key.Open(QString::fromLatin1(settings::kSettingsKeyPath)) == CRegistryKey::kErrorSuccess) {
        for (int i = 0; i < 4; ++i) {
            key.QueryString(settings::kColumns[i], captions[i]);
        }
    }
    if (captions[0].isEmpty()) {
        int pos = 0;
        for (const QString& title : {kSeite, kName, kPasswort, kKommentar}) {
            m_list->InsertColumn(pos++, title);
        }
    } else {
        int pos = 0;
        for (const QString& title : captions) {
            if (!title.isEmpty()) {
                m_list->InsertColumn(pos++, title);
            }
        }
    }
    m_list->EnableSort(true);
    m_list->SetHighlightMode(CSortListCtrl::kHighlightFull);
    m_list->EnableColumnMove(true);
    const unsigned char types[4] = {1, 1, 1, 1};
    m_list->SetColumnTypes(types, 4);
    for (int pos = 0; pos < 4; ++pos) {
        m_list->SetColumnWidth(pos, kColumnWidths[pos]);
    }
    m_builtTitles.clear();
    for (int pos = 0; pos < m_list->GetColumnCount(); ++pos) {
        m_builtTitles << m_list->GetColumnTitle(pos);
    }
    // An arrangement of other captions (the user changed "Column1".."Column4") is not applied.
    const bool arranged = arrangement.captions == m_builtTitles;
    if (arranged) {
        ApplyColumnState(arrangement);
    }
    FillList();
    if (arranged) {
        ApplySort(arrangement);
    }
}

void CZelmoraView::RestoreLastFile() {
    if (CSettingsStore::ReadInt(settings::kSectionProperties, settings::kRestoreFile, 0) > 0) {
        // The sort restored with the columns applies to the vault reopened as well.
        const SColumnState shown = CurrentColumnState();
        m_doc.LoadVault(CSettingsStore::ReadString(settings::kSectionGeneral, settings::kLastFile));
        FillList();
        ApplySort(shown);
    }
}

CZelmoraView::SColumnState CZelmoraView::CurrentColumnState() const {
    SColumnState state;
    state.captions = m_builtTitles;
    for (int pos = 0; pos < m_list->GetColumnCount(); ++pos) {
        state.titles << m_list->GetColumnTitle(pos);
        state.widths << m_list->GetColumnWidth(pos);
    }
    const int sorted = m_list->GetSortColumn();
    if (sorted >= 0 && sorted < m_list->GetColumnCount()) {
        state.sortTitle = m_list->GetColumnTitle(sorted);
        state.sortAscending = m_list->IsSortAscending();
    }
    return state;
}

CZelmoraView::SColumnState CZelmoraView::StoredColumnState() {
    SColumnState state;
    const int count = std::clamp(CSettingsStore::ReadInt(kSectionColumns, kColumnCount, 0), 0, kMostColumns);
    for (int i = 0;
         i < std::clamp(CSettingsStore::ReadInt(kSectionColumns, kCaptionCount, 0), 0, kMostColumns); ++i) {
        state.captions << CSettingsStore::ReadString(kSectionColumns, ColumnKey("Caption", i).constData());
    }
    for (int i = 0; i < count; ++i) {
        state.titles << CSettingsStore::ReadString(kSectionColumns, ColumnKey("Title", i).constData());
        state.widths << CSettingsStore::ReadInt(kSectionColumns, ColumnKey("Width", i).constData(), -1);
    }
    state.sortTitle = CSettingsStore::ReadString(kSectionColumns, kSortColumn);
    state.sortAscending = CSettingsStore::ReadInt(kSectionColumns, kSortAscending, 1) != 0;
    return state;
}

void CZelmoraView::SaveColumnState() const {
    const SColumnState state = CurrentColumnState();
    const int count = static_cast<int>(std::min<qsizetype>(state.titles.size(), kMostColumns));
    const int captions = static_cast<int>(std::min<qsizetype>(state.captions.size(), kMostColumns));
    CSettingsStore::WriteInt(kSectionColumns, kCaptionCount, captions);
    for (int i = 0; i < captions; ++i) {
        CSettingsStore::WriteString(kSectionColumns, ColumnKey("Caption", i).constData(), state.captions[i]);
    }
    CSettingsStore::WriteInt(kSectionColumns, kColumnCount, count);
    for (int i = 0; i < count; ++i) {
        CSettingsStore::WriteString(kSectionColumns, ColumnKey("Title", i).constData(), state.titles[i]);
        CSettingsStore::WriteInt(kSectionColumns, ColumnKey("Width", i).constData(), state.widths[i]);
    }
    CSettingsStore::WriteString(kSectionColumns, kSortColumn, state.sortTitle);
    CSettingsStore::WriteInt(kSectionColumns, kSortAscending, state.sortAscending ? 1 : 0);
}

void CZelmoraView::ApplyColumnState(const SColumnState& state) {
    // Column by column from the left, each title found among the columns not yet placed; titles
    // that no column has any more (other captions) are passed over.
    int place = 0;
    for (qsizetype i = 0; i < state.titles.size() && place < m_list->GetColumnCount(); ++i) {
        int from = -1;
        for (int pos = place; pos < m_list->GetColumnCount() && from < 0; ++pos) {
            if (m_list->GetColumnTitle(pos) == state.titles[i]) {
                from = pos;
            }
        }
        if (from < 0) {
            continue;
        }
        if (from != place) {
            m_list->MoveColumn(from, place);
        }
        // A width no column can have (a hand-edited store) keeps the default.
        const int width = state.widths.value(i, -1);
        if (width >= 0 && width <= 10000) {
            m_list->SetColumnWidth(place, width);
        }
        ++place;
    }
}

void CZelmoraView::ApplySort(const SColumnState& state) {
    if (state.sortTitle.isEmpty()) {
        return;
    }
    const int column = m_list->FindColumn(state.sortTitle);
    if (column >= 0) {
        m_list->SortByColumn(column, state.sortAscending);
    }
}

QString CZelmoraView::SummaryText(int count, int passwordLength) {
    QString text;
    if (count == 0) {
        text = u"Keine Passwort Details"_s;
    } else if (count == 1) {
        text = u"1 Passwort Detail"_s;
    } else {
        text = u"%1 Passwort Details"_s.arg(count);
    }
    text += u" - "_s;
    if (passwordLength == 0) {
        text += u" Kein Passwort eingegeben."_s;
    } else if (passwordLength == 1) {
        text += u" Passwort Länge 1 Zeichen"_s;
    } else {
        text += u" Passwort Länge %1 Zeichen"_s.arg(passwordLength);
    }
    return text;
}

void CZelmoraView::FillList() {
    const int count = m_doc.GetEntryCount();
    const int columns[4] = {m_list->FindColumn(kSeite), m_list->FindColumn(kName),
                            m_list->FindColumn(kPasswort), m_list->FindColumn(kKommentar)};
    m_list->BeginFill(static_cast<std::size_t>(count));
    m_list->DeleteAllItems();
    for (int i = 0; i < count; ++i) {
        const CEntry& entry = m_doc.GetEntryAt(i);
        const std::string* fields[4] = {&entry.GetSeite(), &entry.GetName(), &entry.GetPasswort(),
                                        &entry.GetKommentar()};
        const int row = m_list->InsertItem(i, QString());
        for (int f = 0; f < 4; ++f) {
            if (columns[f] >= 0) {
                m_list->SetItemText(row, columns[f], ShortTextFromVault(*fields[f], kMaxCellText));
            }
        }
        m_list->SetItemData(row, static_cast<quintptr>(i));
    }
    m_list->EndFill();
    // The texts searched are those of the entries just filled; built again when searched.
    m_pSearch->Wipe();
    m_bHitsValid = false;
    ApplySearch();
    ApplyPasswordMask();
    emit messageText(m_doc.IsLocked() ? u"Der Tresor ist gesperrt."_s
                                      : SummaryText(count, m_doc.GetVaultPasswordLength()));
    emit commandStateChanged();
}

void CZelmoraView::OnAboutToReload() {
    m_pReloadKeeper = std::make_unique<CListKeeper>(*m_list, m_doc, CListKeeper::EBy::kTexts, m_keptShown);
}

void CZelmoraView::RefillKeepingState() {
    // Noted just before the entries were replaced, while the rows still named them; without that
    // note the rows name the new entries by old positions, and nothing is kept.
    const std::unique_ptr<CListKeeper> kept = std::move(m_pReloadKeeper);
    m_keptShown = kept ? kept->KeptShown(m_doc) : std::vector<int>();
    FillList();
    if (kept) {
        kept->Restore(*m_list, m_doc);
    }
    emit commandStateChanged();
}

bool CZelmoraView::HasSelection() const {
    return m_list->GetFirstSelectedItem() >= 0;
}

int CZelmoraView::EntryOfRow(int row) const {
    if (row < 0 || row >= m_list->GetItemCount()) {
        return -1;
    }
    const auto position = static_cast<int>(m_list->GetItemData(row));
    return position < m_doc.GetEntryCount() ? position : -1;
}

void CZelmoraView::OnEntryNew() {
    CEntryDlg dlg(window());
    if (dlg.DoModal() != zid::IDOK) {
        return;
    }
    if (!dlg.m_strSeite.empty() || !dlg.m_strName.empty() || !dlg.m_strPasswort.empty() ||
        !dlg.m_strKommentar.empty()) {
        m_doc.AddEntry(dlg.m_strSeite, dlg.m_strName, dlg.m_strPasswort, dlg.m_strKommentar);
        KeepShown(m_doc.GetEntryCount() - 1);
    }
    FillList();
}

void CZelmoraView::OnEntryChange() {
    const int row = m_list->GetFirstSelectedItem();
    if (row >= 0) {
        EditEntry(row);
    }
}

void CZelmoraView::EditEntry(int row) {
    const int position = EntryOfRow(row);
    if (position < 0) {
        return;
    }
    // From the document, not from the cells: a field without a column must survive the edit.
    const CEntry entry = m_doc.GetEntryAt(position);
    CEntryDlg dlg(window());
    dlg.m_strSeite = entry.GetSeite();
    dlg.m_strName = entry.GetName();
    dlg.m_strPasswort = entry.GetPasswort();
    dlg.m_strKommentar = entry.GetKommentar();
    if (dlg.DoModal() != zid::IDOK) {
        return;
    }
    if (dlg.m_strSeite == entry.GetSeite() && dlg.m_strName == entry.GetName() &&
        dlg.m_strPasswort == entry.GetPasswort() && dlg.m_strKommentar == entry.GetKommentar()) {
        return;
    }
    m_doc.RemoveEntryAt(position);
    ForgetPosition(position);
    m_doc.AddEntry(dlg.m_strSeite, dlg.m_strName, dlg.m_strPasswort, dlg.m_strKommentar);
    KeepShown(m_doc.GetEntryCount() - 1);
    m_doc.SetModifiedFlag(true);
    FillList();
}

void CZelmoraView::OnEntryDelete() {
    if (CSettingsStore::ReadInt(settings::kSectionProperties, settings::kLoeschen, 1) != 0 &&
        ZMessageBox(u"Wollen Sie wirklich den Eintrag löschen?"_s, QMessageBox::Yes | QMessageBox::No,
                    QMessageBox::NoIcon, window()) != QMessageBox::Yes) {
        return;
    }
    std::vector<int> positions;
    for (const int row : m_list->GetSelectedItems()) {
        const int position = EntryOfRow(row);
        if (position >= 0) {
            positions.push_back(position);
        }
    }
    // From the back, so that each removal leaves the positions still to come where they were.
    std::sort(positions.begin(), positions.end(), std::greater<int>());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const int position : positions) {
        m_doc.RemoveEntryAt(position);
        ForgetPosition(position);
    }
    if (!positions.empty()) {
        m_doc.SetModifiedFlag(true);
    }
    FillList();
}

void CZelmoraView::OnEntryDuplicate() {
    const int position = EntryOfRow(m_list->GetFirstSelectedItem());
    if (position < 0) {
        return;
    }
    const CEntry entry = m_doc.GetEntryAt(position);
    m_doc.AddEntry(entry.GetSeite(), entry.GetName(), entry.GetPasswort(), entry.GetKommentar());
    KeepShown(m_doc.GetEntryCount() - 1);
    m_doc.SetModifiedFlag(true);
    FillList();
}

void CZelmoraView::OnCopyField(int commandId) {
    const int position = EntryOfRow(m_list->GetFirstSelectedItem());
    if (position < 0) {
        ZMessageBox(u"Keine Zeile zum kopieren makiert."_s, QMessageBox::Ok, QMessageBox::NoIcon, window());
        return;
    }
    const CEntry& entry = m_doc.GetEntryAt(position);
    switch (commandId) {
        case zid::ID_COPY_SEITE:
            CopyToClipboard(entry.GetSeite());
            break;
        case zid::ID_COPY_NAME:
            CopyToClipboard(entry.GetName());
            break;
        case zid::ID_COPY_PASSWORT:
            CopyToClipboard(entry.GetPasswort());
            break;
        case zid::ID_COPY_KOMMENTAR:
            CopyToClipboard(entry.GetKommentar());
            break;
        default:
            break;
    }
}

void CZelmoraView::CopyToClipboard(const std::string& text) {
    m_clipboard->Copy(TextFromVault(text));
}

void CZelmoraView::ClearOwnClipboard() {
    m_clipboard->ClearOwn();
}

void CZelmoraView::OnClearClipboard() {
    m_clipboard->PutEmptyText();
}

void CZelmoraView::OnRefresh() {
    FillList();
}

void CZelmoraView::OnOptions() {
    COptionsDlg dlg(window());
    dlg.DoModal();
}

void CZelmoraView::OnFileNew() {
    if (!m_doc.SaveModified()) {
        return;
    }
    m_list->DeleteAllItems();
    m_doc.RemoveAllEntries();
    m_doc.OnNewDocument();
    FillList();
}

const CVaultData& CZelmoraView::EntriesToPrint(CVaultData& shown) const {
    if (!IsSearching()) {
        return m_doc.Data();
    }
    CopyShownEntries(shown);
    return shown;
}

void CZelmoraView::OnFilePrint() {
    CVaultData shown;
    m_printer->Print(EntriesToPrint(shown), window());
}

void CZelmoraView::OnFilePrintPreview() {
    CVaultData shown;
    m_printer->Preview(EntriesToPrint(shown), window());
}

void CZelmoraView::OnFilePrintSetup() {
    m_printer->PageSetup(window());
}

void CZelmoraView::OnHelp() {
    online::ShowHelp(window());
}

void CZelmoraView::OnUpdateCheck() {
    online::CheckForUpdate(window());
}

void CZelmoraView::OnListDoubleClick() {
    const int row = m_list->GetFirstSelectedItem();
    if (row < 0) {
        return;
    }
    if (CSettingsStore::ReadInt(settings::kSectionProperties, settings::kDoubleClick, 0) == 0) {
        EditEntry(row);
        return;
    }
    const int position = EntryOfRow(row);
    if (position >= 0) {
        OpenWebAddress(TextFromVault(m_doc.GetEntryAt(position).GetSeite()), 5);
    }
}

QMenu* CZelmoraView::BuildContextMenu(bool hasSelection) {
    auto* menu = new QMenu(this);
    menu->setObjectName(u"contextMenu"_s);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Items of their own (the texts differ from the main menu's) that run the shared actions.
    const auto addItem = [this, hasSelection](QMenu* target, const SContextItem& item) {
        QAction* shared = Action(item.id);
        QAction* own = target->addAction(QString::fromUtf8(item.text));
        own->setData(item.id);
        if (shared) {
            own->setStatusTip(shared->statusTip());
            connect(own, &QAction::triggered, shared, &QAction::trigger);
        }
        own->setEnabled(item.id == zid::ID_CLEAR_CLIPBOARD || hasSelection);
    };
    const auto& items = ContextMenuItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].id == 0) {
            QMenu* copy = menu->addMenu(QString::fromUtf8(kContextCopyTitle));
            // The popup itself stays open to the pointer; its items are greyed one by one.
            for (const SContextItem& item : ContextCopyItems()) {
                addItem(copy, item);
            }
            menu->addSeparator();
            continue;
        }
        addItem(menu, items[i]);
    }
    return menu;
}

void CZelmoraView::OnListRightClick(const QPoint& globalPos) {
    if (m_list->GetItemCount() == 0) {
        return;
    }
    QMenu* menu = BuildContextMenu(HasSelection());
    menu->popup(globalPos);
}

bool CZelmoraView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            return eventFilter(m_list, &menu);
        }
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
                case Qt::Key_Up:
                case Qt::Key_Down:
                    // After a fill nothing is selected; the first arrow key selects the row
                    // with the focus (the first row) instead of stepping past it.
                    if (!HasSelection() && m_list->GetItemCount() > 0) {
                        const QModelIndex current = m_list->currentIndex();
                        const int row = current.isValid() ? current.row() : 0;
                        m_list->setCurrentIndex(m_list->model()->index(row, 0));
                        m_list->SetItemState(row, CSortListCtrl::kSelected | CSortListCtrl::kFocused,
                                             CSortListCtrl::kSelected | CSortListCtrl::kFocused);
                        return true;
                    }
                    break;
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    if (m_doc.IsLocked()) {
                        emit unlockRequested();
                        return true;
                    }
                    OnListDoubleClick();
                    return true;
                case Qt::Key_Escape:
                    if (IsSearching()) {
                        ClearSearch();
                        return true;
                    }
                    break;
                case Qt::Key_Delete:
                    // Through the action, so that its enabling applies.
                    if (QAction* del = Action(zid::ID_ENTRY_DELETE)) {
                        emit commandStateChanged();
                        if (del->isEnabled()) {
                            del->trigger();
                        }
                    }
                    return true;
                default:
                    break;
            }
        }
    }
    if ((watched == m_list || watched == m_list->viewport()) && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (menuEvent->reason() == QContextMenuEvent::Keyboard) {
            // The Menu key or Shift+F10: at the selected row, else at the list's corner.
            const int row = m_list->GetFirstSelectedItem();
            QPoint local(4, 4);
            if (row >= 0) {
                const QRect rect = m_list->visualRect(m_list->model()->index(row, 0));
                local = rect.isValid() ? rect.center() - QPoint(rect.width() / 4, 0) : local;
            }
            OnListRightClick(m_list->viewport()->mapToGlobal(local));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
