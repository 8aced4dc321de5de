// The application: settings, German texts, the document, the main window and its view, the
// command line, the one running instance per session, and what is written back at exit.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

#include "app/command_line.h"

class CMainFrame;
class CSingleInstance;
class CZelmoraDoc;

class CZelmoraApp {
public:
    CZelmoraApp();
    ~CZelmoraApp();
    CZelmoraApp(const CZelmoraApp&) = delete;
    CZelmoraApp& operator=(const CZelmoraApp&) = delete;

    // Start-up.  True: run the event loop.  False: end with *exitCode.
    bool InitInstance(const QStringList& args, int* exitCode);
    // At exit: the recent-file list and "PreviewPages" go back to the store.
    void ExitInstance();

    CZelmoraDoc* Doc() const { return m_doc.get(); }
    CMainFrame* Frame() const { return m_frame.get(); }
    int PreviewPages() const { return m_nPreviewPages; }

private:
    // The document, window and view; the command line's vault or a new one.  False when a vault
    // named on the command line could not be opened.
    bool CreateWindowAndDocument(const SCommandLine& line);

    // True when a running program took the start's request (this process then ends).
    bool HandOverToRunningInstance(const SCommandLine& line);

    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<CZelmoraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    int m_nPreviewPages = 0;
};
