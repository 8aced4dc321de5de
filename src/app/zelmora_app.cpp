#include "app/zelmora_app.h"

#include "app/main_frame.h"
#include "app/product.h"
#include "app/settings_store.h"
#include "app/translations.h"
#include "vault/zelmora_doc.h"
#include "view/zelmora_view.h"

#include <QApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

CZelmoraApp::CZelmoraApp() = default;

CZelmoraApp::~CZelmoraApp() {
    // The window goes before the document it shows.
    m_frame.reset();
    m_doc.reset();
}

bool CZelmoraApp::CreateWindowAndDocument(const SCommandLine& line) {
    m_doc = std::make_unique<CZelmoraDoc>();
    m_doc->RecentFiles().ReadList();
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    if (line.file.isEmpty()) {
        m_doc->OnNewDocument();
        m_frame->View().OnInitialUpdate();
        return true;
    }
    return m_doc->OpenDocumentFile(line.file, true);
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
    InstallGermanTranslations(*qApp);
    m_nPreviewPages = CSettingsStore::ReadInt(settings::kSectionSettings, settings::kPreviewPages, 0);

    if (!CreateWindowAndDocument(line)) {
        m_frame.reset();
        *exitCode = 1;
        return false;
    }
    if (line.action == SCommandLine::EAction::kPrint || line.action == SCommandLine::EAction::kPrintTo ||
        line.action == SCommandLine::EAction::kPrintToPdf) {
        // Printing arrives with the print support; until then the vault is opened and nothing printed.
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
