#include "app/zelmora_app.h"

#include "app/main_frame.h"
#include "document/zelmora_doc.h"
#include "platform/automation_server.h"
#include "platform/desktop_integration.h"
#include "platform/product.h"
#include "platform/settings_store.h"
#include "platform/single_instance.h"
#include "platform/translations.h"
#include "view/print_entry_list.h"
#include "view/zelmora_view.h"

#include <QApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A start that shows the window (not one that prints and ends).
bool IsInteractive(const SCommandLine& line) {
    return line.action == SCommandLine::EAction::kNew || line.action == SCommandLine::EAction::kOpen ||
           line.action == SCommandLine::EAction::kDde;
}

}  // namespace

CZelmoraApp::CZelmoraApp() = default;

CZelmoraApp::~CZelmoraApp() {
    // The window goes before the document it shows.
    m_frame.reset();
    m_doc.reset();
}

bool CZelmoraApp::HandOverToRunningInstance(const SCommandLine& line) {
    m_instance = std::make_unique<CSingleInstance>();
    const QString path = line.file.isEmpty() ? QString() : CDocument::CleanPath(line.file);
    if (m_instance->TryHandOver(path)) {
        return true;
    }
    // Two programs started at once: the one that lost the name hands over to the other.
    return !m_instance->Listen() && m_instance->TryHandOver(path);
}

bool CZelmoraApp::CreateWindowAndDocument(const SCommandLine& line) {
    m_doc = std::make_unique<CZelmoraDoc>();
    m_doc->RecentFiles().ReadList();
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    // Connected before anything can spin an event loop (the start's password prompt), so that no
    // hand-over is lost.
    if (m_instance) {
        QObject::connect(m_instance.get(), &CSingleInstance::activateRequested, m_frame.get(),
                         &CMainFrame::BringToFront);
        CZelmoraDoc* doc = m_doc.get();
        QObject::connect(m_instance.get(), &CSingleInstance::openRequested, doc,
                         [doc](const QString& path) { doc->OpenDocumentFile(path); });
    }
    if (line.file.isEmpty()) {
        m_doc->OnNewDocument();
        m_frame->View().OnInitialUpdate();
        m_frame->View().RestoreLastFile();
        return true;
    }
    bool abandoned = false;
    if (m_doc->OpenDocumentFile(line.file, true, &abandoned)) {
        return true;
    }
    // The password prompt cancelled: the window starts with a new vault; there is nothing to print.
    if (!abandoned || !IsInteractive(line)) {
        return false;
    }
    m_doc->OnNewDocument();
    m_frame->View().OnInitialUpdate();
    return true;
}

bool CZelmoraApp::InitInstance(const QStringList& args, int* exitCode) {
    *exitCode = 0;
    const SCommandLine line = ParseCommandLine(args);
    if (!line.error.isEmpty() || line.action == SCommandLine::EAction::kHelp) {
        const bool ok = line.error.isEmpty();
        const QString text = ok ? CommandLineUsage() : line.error + u'\n' + CommandLineUsage();
        std::fputs(text.toLocal8Bit().constData(), ok ? stdout : stderr);
        *exitCode = ok ? 0 : 1;
        return false;
    }
    for (const QString& note : line.ignored) {
        std::fputs((u"zelmora: "_s + note + u'\n').toLocal8Bit().constData(), stderr);
    }
    // The file type and desktop entry, as the program registers itself at each start.
    RegisterFileTypeForUser();
    if (line.action == SCommandLine::EAction::kAutomation) {
        *exitCode = RunAutomationServer(*qApp);
        return false;
    }
    if (IsInteractive(line) && HandOverToRunningInstance(line)) {
        return false;
    }
    InstallGermanTranslations(*qApp);
    m_nPreviewPages = CSettingsStore::ReadInt(settings::kSectionSettings, settings::kPreviewPages, 0);

    if (!CreateWindowAndDocument(line)) {
        m_frame.reset();
        *exitCode = 1;
        return false;
    }
    if (line.action == SCommandLine::EAction::kPrintToPdf) {
        if (!PrintEntryListToPdf(m_doc->Data(), line.pdfFile)) {
            std::fputs(QStringLiteral("Die PDF-Datei %1 konnte nicht geschrieben werden.\n")
                           .arg(line.pdfFile)
                           .toLocal8Bit()
                           .constData(),
                       stderr);
            *exitCode = 1;
        }
        return false;
    }
    if (line.action == SCommandLine::EAction::kPrint || line.action == SCommandLine::EAction::kPrintTo) {
        // Print and end, as the desktop's print command does.
        *exitCode = m_frame->View().Printer().PrintDirect(m_doc->Data(), line.printer, m_frame.get()) ? 0 : 1;
        ExitInstance();
        return false;
    }
    m_frame->ActivateFrame(5);
    return true;
}

void CZelmoraApp::ExitInstance() {
    if (m_doc) {
        m_doc->RecentFiles().WriteList();
    }
    CSettingsStore::WriteInt(settings::kSectionSettings, settings::kPreviewPages, m_nPreviewPages);
}
