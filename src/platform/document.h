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

    // Open step: reads the file into the document, reports a failure.  False on failure.
    bool OnOpenDocument(const QString& path);
    // Save step: writes the document to path, reports a failure.  False on failure.
    bool OnSaveDocument(const QString& path);
    // New-document step: path emptied, modified flag cleared; the entries and the title stay.
    virtual void OnNewDocument();

    // The save-changes prompt.  False when the caller's operation is to be abandoned.
    bool SaveModified();
    // The framework's own save: the save step for the path, or, without one, the "Speichern unter"
    // dialog (asking before replacing a file) followed by the save step and set path.
    bool DoFileSave();

    // The open route: cleans the path, brings the window to the front when it is the open vault,
    // otherwise prompts to save, opens the file and runs the initial update.  atStartup: the open
    // that creates the main window; its failure is then the caller's to act on.
    bool OpenDocumentFile(const QString& path, bool atStartup = false);
    // Quotes removed, made absolute, a symbolic link replaced by its target.
    static QString CleanPath(const QString& path);

    // The file's name as the prompt shows it.
    QString DisplayName() const;

    void UpdateAllViews() { emit updateViews(); }

    // The message for a failed open or save, %1 replaced by the path.
    static QString FileErrorMessage(const SVaultResult& result, const QString& path, bool saving);

signals:
    void titleChanged(const QString& title);
    void updateViews();    // the views refill
    void initialUpdate();  // the views rebuild themselves after an open through the open route
    void bringToFront();

protected:
    // Called by the open route before the open step (a chance to ask for a password).
    virtual void PrepareOpenRoute(const QString& path) { Q_UNUSED(path); }
    // Appends the file's entries; a file of 0 bytes gives none.
    virtual SVaultResult ReadDocument(const QString& path) = 0;
    virtual SVaultResult WriteDocument(const QString& path) = 0;

    void ReportError(const SVaultResult& result, const QString& path, bool saving) const;

private:
    QString m_strPathName;
    QString m_strTitle;
    QPointer<QWidget> m_mainWindow;
    CRecentFileList m_recentFiles;
};

// Paths cross to the core as the file system's bytes.
std::string PathToCore(const QString& path);
