// The main window's client area: the four-column list of the vault's entries, rebuilt from the
// document after every change, with the summary line for the status bar, and the entry commands
// (new, change, delete, duplicate, copy, clear clipboard, refresh, options, new vault), the
// context menu and the double click.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CClipboardGuard;
class CEntryListPrinter;
class CEntrySearch;
class CListKeeper;
class CLockedPanel;
class CSearchField;
class CVaultData;
class CSortListCtrl;
class CZelmoraDoc;
class QAction;
class QMenu;
class QMimeData;

class CZelmoraView : public QWidget {
    Q_OBJECT
public:
    explicit CZelmoraView(CZelmoraDoc& doc, QWidget* parent = nullptr);
    ~CZelmoraView() override;

    // The shared action of a command id (nullptr for none), which the context menu and the keys of
    // the list run; the main frame owns the actions.
    using ActionLookup = std::function<QAction*(int id)>;
    void SetActions(ActionLookup actions) { m_actions = std::move(actions); }

    CSortListCtrl& List() const { return *m_list; }
    CZelmoraDoc& GetDocument() const { return m_doc; }

    // Columns from the settings, the list's features and the rows.
    void OnInitialUpdate();
    // With "RestoreFile" set, reopens "LastFile": only on a start that names no vault, never after
    // an open route, which would replace the vault just named.
    void RestoreLastFile();
    // The column arrangement (order, widths, the sort column and direction) into the settings
    // store's section "Columns", for the next start; the frame calls it with the placement.
    void SaveColumnState() const;

    // Rows from the document, in entry order, and the summary to the status bar.
    void FillList();
    // Rows anew after the vault was reloaded or merged from its file: sort, selection and place
    // stay as they were.
    void RefillKeepingState();
    // The summary line for count entries and a password of passwordLength characters.
    static QString SummaryText(int count, int passwordLength);

    bool HasSelection() const;

    // Entry commands.
    void OnEntryNew();
    void OnEntryChange();
    void OnEntryDelete();
    void OnEntryDuplicate();
    void OnCopyField(int commandId);
    void OnClearClipboard();
    void OnRefresh();
    void OnOptions();
    void OnFileNew();
    void OnListDoubleClick();
    // The context menu at a screen position (nothing on an empty list).
    void OnListRightClick(const QPoint& globalPos);

    // Printing the list, the help page and the update check.
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnHelp();
    void OnUpdateCheck();
    // The printer and its page set-up, kept for the whole run.
    CEntryListPrinter& Printer() const { return *m_printer; }

    // Edits the entry shown in row through the entry dialog.
    void EditEntry(int row);
    // Puts text (code page 1252) on the clipboard as plain text, marked as a secret.
    void CopyToClipboard(const std::string& text);
    // At exit: a clipboard that still holds what was copied last is emptied.
    void ClearOwnClipboard();
    // The copy's countdown, for the status bar.
    CClipboardGuard& Clipboard() const { return *m_clipboard; }

    // Ours: "Passwörter &verbergen" switched, and the Passwort column masked as "HidePasswords" says.
    void OnToggleHidePasswords();
    void ApplyPasswordMask();
    // While locked: the empty list with its "Entsperren" button.
    CLockedPanel& LockedPanel() const { return *m_lockedPanel; }

    // Ours: the search.  The field lives in the frame's tool bar; the view listens to it.
    void AttachSearchField(CSearchField* field);
    // Shows only the entries in which every word of text occurs in Seite, Name or Kommentar
    // (ignoring case); an empty text shows all.  What the field holds, as it changes.
    void SetSearchText(const QString& text);
    QString SearchText() const { return m_strSearch; }
    bool IsSearching() const;
    // Strg+F: the focus in the field, its text selected.
    void FocusSearch();
    // Down or Return in the field: the focus in the list, the first row shown selected.
    void EnterListFromSearch();
    // Escape: all rows again, the focus in the list, the selection as it was.
    void ClearSearch();

signals:
    void messageText(const QString& text);
    // Ours: rows shown of all while a search is on; shown is -1 when none is.
    void searchCountChanged(int shown, int all);
    // Selection changed or rows refilled: the enabling of the commands may change.
    void commandStateChanged();
    // "Entsperren" or Return while locked.
    void unlockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The columns as the user arranged them, by title.
    struct SColumnState {
        QStringList captions;  // the titles as built from the settings, before any move
        QStringList titles;
        QList<int> widths;
        QString sortTitle;  // empty: not sorted
        bool sortAscending = true;
    };
    SColumnState CurrentColumnState() const;
    static SColumnState StoredColumnState();
    // Order and widths (the sort comes after the rows are filled, ApplySort).
    void ApplyColumnState(const SColumnState& state);
    void ApplySort(const SColumnState& state);

    // The entry position that row names, or -1.
    int EntryOfRow(int row) const;
    QMenu* BuildContextMenu(bool hasSelection);
    QAction* Action(int id) const { return m_actions ? m_actions(id) : nullptr; }

    // The search's part of a fill: the rows that match (and those kept), and the count.
    void ApplySearch(bool narrowing = false);
    void EmitSearchCount();
    // An entry added or changed while searching stays shown until the text changes; a removal
    // moves the positions kept behind it.
    void KeepShown(int position);
    void ForgetPosition(int position);
    // The entries the shown rows stand for, in entry order, for printing.
    void CopyShownEntries(CVaultData& out) const;
    // What a printout holds: the vault, or while a search is on the entries shown, copied to shown.
    const CVaultData& EntriesToPrint(CVaultData& shown) const;
    void OnAboutToReload();

    void OnAboutToLock();
    void OnLockChanged(bool locked);

    CZelmoraDoc& m_doc;
    CSortListCtrl* m_list;
    ActionLookup m_actions;
    std::unique_ptr<CEntryListPrinter> m_printer;
    CClipboardGuard* m_clipboard;
    CLockedPanel* m_lockedPanel;
    // The lock: what the list showed (entries by their positions, nothing of their texts).
    std::unique_ptr<CListKeeper> m_pLockedList;
    QStringList m_builtTitles;                     // the column titles as the last initial update built them
    std::unique_ptr<CListKeeper> m_pReloadKeeper;  // from just before a reload to its refill

    CSearchField* m_searchField = nullptr;
    QString m_strSearch;
    std::unique_ptr<CEntrySearch> m_pSearch;  // the folded texts, built on the first search after a fill
    std::vector<int> m_searchHits;            // entry positions matching m_strSearch, ascending
    bool m_bHitsValid = false;
    std::vector<int> m_keptShown;  // positions shown although they do not match
};
