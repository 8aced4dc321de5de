// The main frame's part in everyday safety: the lock command and its coordinator, the clipboard's
// countdown pane, the "Sicherheit" dialog, the hidden passwords and the commands a locked vault
// has no use for.
#include "app/command_actions.h"
#include "app/lock_coordinator.h"
#include "app/main_frame.h"
#include "dialogs/security_dlg.h"
#include "document/zelmora_doc.h"
#include "platform/clipboard_guard.h"
#include "platform/security_settings.h"
#include "resources/resource_ids.h"
#include "view/locked_panel.h"
#include "view/zelmora_view.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;

bool CMainFrame::NeedsEntries(int id) {
    switch (id) {
        case zid::ID_FILE_SAVE:
        case zid::ID_FILE_SAVE_AS:
        case zid::ID_FILE_EXPORT_KDBX:
        case zid::ID_FILE_LOCK:
        case zid::ID_FILE_PRINT:
        case zid::ID_FILE_PRINT_PREVIEW:
        case zid::ID_FILE_SEND_MAIL:
        case zid::ID_ENTRY_NEW:
        case zid::ID_ENTRY_CHANGE:
        case zid::ID_ENTRY_DELETE:
        case zid::ID_ENTRY_DUPLICATE:
        case zid::ID_CHANGE_PASSWORD:
        case zid::ID_COPY_SEITE:
        case zid::ID_COPY_NAME:
        case zid::ID_COPY_PASSWORT:
        case zid::ID_COPY_KOMMENTAR:
        case zid::ID_REFRESH:
        case zid::ID_VIEW_SEARCH:
            return true;
        default:
            return false;
    }
}

void CMainFrame::CreateSafety() {
    m_lock = new CLockCoordinator(m_doc, this);
    m_clipboardPane = new QLabel(statusBar());
    m_clipboardPane->setObjectName(u"clipboardPane"_s);
    m_clipboardPane->setFrameShape(QFrame::Panel);
    m_clipboardPane->setFrameShadow(QFrame::Sunken);
    m_clipboardPane->hide();
    statusBar()->addPermanentWidget(m_clipboardPane);
    connect(&m_view->Clipboard(), &CClipboardGuard::countdownChanged, this, [this](int seconds) {
        m_clipboardPane->setText(u"Zwischenablage: %1 s"_s.arg(seconds));
        m_clipboardPane->setVisible(seconds > 0);
    });

    connect(m_actions->Get(zid::ID_FILE_LOCK), &QAction::triggered, m_lock, &CLockCoordinator::RequestLock);
    connect(m_actions->Get(zid::ID_SECURITY), &QAction::triggered, this, [this] {
        CSecurityDlg dlg(this);
        if (dlg.DoModal() == zid::IDOK) {
            m_view->ApplyPasswordMask();
        }
        UpdateCommandUI();
    });
    QAction* hide = m_actions->Get(zid::ID_HIDE_PASSWORDS);
    hide->setCheckable(true);
    connect(hide, &QAction::triggered, this, [this] {
        m_view->OnToggleHidePasswords();
        UpdateCommandUI();
    });

    connect(m_view, &CZelmoraView::unlockRequested, m_lock, &CLockCoordinator::Unlock);
    connect(m_lock, &CLockCoordinator::waitStarted, this, [this](int ms) {
        QPushButton* button = m_view->LockedPanel().Button();
        button->setEnabled(false);
        QTimer::singleShot(ms, button, [button] { button->setEnabled(true); });
    });
    connect(&m_doc, &CZelmoraDoc::lockChanged, this, [this] {
        UpdateTitle();
        UpdateCommandUI();
    });
}

void CMainFrame::UpdateSafetyCommands() {
    const bool locked = m_doc.IsLocked();
    for (const auto& [id, action] : m_actions->All()) {
        if (NeedsEntries(id) && (locked || !NeedsSelection(id))) {
            action->setEnabled(!locked);
        }
    }
    m_actions->Get(zid::ID_FILE_LOCK)->setEnabled(m_doc.CanLock());
    m_actions->Get(zid::ID_HIDE_PASSWORDS)->setChecked(security::HidePasswords());
}

QString CMainFrame::LockedCaption() const {
    return m_doc.IsLocked() ? u" (gesperrt)"_s : QString();
}
