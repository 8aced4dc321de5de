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
class CLockedPanel;
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

signals:
    void messageText(const QString& text);
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

    // The lock: what the list showed is noted (sort, selection, scroll; entries by their positions,
    // nothing of their texts) and wiped, and comes back.
    struct SLockedList {
        QString sortTitle;
        bool sortAscending = true;
        std::vector<quintptr> selected;
        quintptr current = 0;
        bool hasCurrent = false;
        int scroll = 0;
    };
    void OnAboutToLock();
    void OnLockChanged(bool locked);
    void RestoreListState(const SLockedList& state);

    CZelmoraDoc& m_doc;
    CSortListCtrl* m_list;
    ActionLookup m_actions;
    std::unique_ptr<CEntryListPrinter> m_printer;
    CClipboardGuard* m_clipboard;
    CLockedPanel* m_lockedPanel;
    std::unique_ptr<SLockedList> m_pLockedList;
    QStringList m_builtTitles;  // the column titles as the last initial update built them
};
