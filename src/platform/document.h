// The least of a document framework: path, title, modified flag, the open and save steps with
// their error messages, the save-changes prompt, the framework's own save with its dialog, the
// open route used by the command line, the running-instance hand-over and dropped files, and the
// recent-file list.  The vault document derives from it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/recent_file_list.h"

struct SVaultResult;

class CDocument : public QObject {
    Q_OBJECT
public:
    explicit CDocument(QObject* parent = nullptr);
    ~CDocument() override;

    // Owner of the dialogs and message boxes the document shows (the main window).
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }
    QWidget* MainWindow() const { return m_mainWindow; }

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    // The path, its file name as the title, and the head of the recent-file list.
    void SetPathName(const QString& path);

    virtual bool IsModified() const = 0;
    virtual void SetModifiedFlag(bool modified = true) = 0;

    CRecentFileList& RecentFiles() { return m_recentFiles; }

    // How the open step ended.
    enum class EOpenResult {
        kOpened,
        kNotOpened,   // the file could not be opened (reported): the document is as it was
        kReadFailed,  // reading failed (reported): the document holds what was read before
        kAbandoned,   // the user cancelled a prompt: the document is as it was
    };
    // Open step: opens the file, reads it, and only then replaces the document's content by what
    // was read; reports a failure.
    EOpenResult OnOpenDocument(const QString& path);
    // Save step: writes the document to path, reports a failure.  False on failure.
    bool OnSaveDocument(const QString& path);
    // New-document step: path emptied, modified flag cleared; the entries and the title stay.
    virtual void OnNewDocument();

    // The save-changes prompt.  False when the caller's operation is to be abandoned.
    bool SaveModified();
    // The framework's own save: the save step for the path, or, without one, the "Speichern unter"
    // dialog (asking before replacing a file) followed by the save step and set path.
    bool DoFileSave();
    // The save step as the framework's own save runs it; a document may wrap it (ask first, lock).
    virtual bool SaveToPath(const QString& path) { return OnSaveDocument(path); }
    // When path exists: asks whether it is to be replaced.  True when it may be written.
    bool ConfirmReplace(const QString& path) const;

    // The open route: cleans the path, brings the window to the front when it is the open vault,
    // otherwise prompts to save, opens the file and runs the initial update.  atStartup: the open
    // that creates the main window; its failure is then the caller's to act on.  *abandoned
    // tells a cancelled password prompt (the document is then as it was) from a failure.
    bool OpenDocumentFile(const QString& path, bool atStartup = false, bool* abandoned = nullptr);
    // Quotes removed, made absolute, a symbolic link replaced by its target (not one that the
    // protected-symlinks rule refuses: its open is then refused).
    static QString CleanPath(const QString& path);

    // The file's name as the prompt shows it.
    QString DisplayName() const;

    void UpdateAllViews() { emit updateViews(); }

    // The message for a failed open or save, %1 replaced by the path.
    static QString FileErrorMessage(const SVaultResult& result, const QString& path, bool saving);

signals:
    void titleChanged(const QString& title);
    void pathChanged();    // set path, or the path emptied by the new-document step
    void updateViews();    // the views refill
    void initialUpdate();  // the views rebuild themselves after an open through the open route
    void bringToFront();

protected:
    // Called by the open route before the open step (a chance to ask for a password).  False
    // abandons the open.
    virtual bool PrepareOpenRoute(const QString& path) {
        Q_UNUSED(path);
        return true;
    }
    // Reads the file into content kept aside for TakeReadContent (what was read before a failure
    // among it); a file of 0 bytes gives none.  False when the user abandoned the open.
    virtual bool ReadDocument(const QString& path, SVaultResult& result) = 0;
    // Empties the document's content.
    virtual void DeleteContents() = 0;
    // Appends what ReadDocument read to the content.
    virtual void TakeReadContent() = 0;
    virtual SVaultResult WriteDocument(const QString& path) = 0;
    // A line that says more about a failure than its message (which entry and field), or empty.
    virtual QString FailureDetail(const SVaultResult& result) const {
        Q_UNUSED(result);
        return {};
    }

    void ReportError(const SVaultResult& result, const QString& path, bool saving) const;

private:
    QString m_strPathName;
    QString m_strTitle;
    QPointer<QWidget> m_mainWindow;
    CRecentFileList m_recentFiles;
};

// Paths cross to the core as the file system's bytes.
std::string PathToCore(const QString& path);
