#include "app/lock_coordinator.h"

#include "dialogs/password_dlg.h"
#include "document/zelmora_doc.h"
#include "platform/clock.h"
#include "platform/idle_watch.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/security_settings.h"
#include "platform/session_lock_watch.h"
#include "resources/resource_ids.h"
#include "vault/secure_wipe.h"

#include <QApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

CLockCoordinator::CLockCoordinator(CZelmoraDoc& doc, QWidget* window)
    : QObject(window),
      m_doc(doc),
      m_window(window),
      m_session(new CSessionLockWatch(this)),
      m_idle(new CIdleWatch(this)) {
    connect(m_session, &CSessionLockWatch::lockRequested, this, &CLockCoordinator::OnSessionLocked);
    connect(m_idle, &CIdleWatch::idleTimeout, this, &CLockCoordinator::RequestLock);
    SetModalsEndedHandler([this] {
        if (m_bPending) {
            // Once the code that ran the dialog has seen it end.
            QTimer::singleShot(0, this, &CLockCoordinator::LockWhenFree);
        }
    });
}

CLockCoordinator::~CLockCoordinator() {
    SetModalsEndedHandler({});
    if (m_bPending) {
        SetCancellingModals(false);
    }
}

void CLockCoordinator::OnSessionLocked() {
    if (security::LockOnScreenLock()) {
        RequestLock();
    }
}

void CLockCoordinator::RequestLock() {
    if (!m_doc.CanLock()) {
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    if (OpenModalCount() == 0) {
        m_doc.Lock();
        return;
    }
    m_bPending = true;
    SetCancellingModals(true);
}

void CLockCoordinator::LockWhenFree() {
    if (!m_bPending || OpenModalCount() > 0) {
        return;  // the next end of a run calls again
    }
    m_bPending = false;
    SetCancellingModals(false);
    m_doc.Lock();
}

qint64 CLockCoordinator::WaitLeft() const {
    const qint64 left = m_nNotBefore - CClock::Current().NowMs();
    return left > 0 ? left : 0;
}

void CLockCoordinator::Unlock() {
    if (!m_doc.IsLocked() || OpenModalCount() > 0 || WaitLeft() > 0) {
        return;
    }
    const QString name = m_doc.DisplayName();
    CPasswordDlg dlg(0, m_window);
    dlg.SetFileName(name);
    if (dlg.DoModal() != zid::IDOK) {
        return;
    }
    std::string password = dlg.m_strPassword;
    const bool opened = m_doc.Unlock(password);
    SecureWipe(password);
    if (opened) {
        m_nWrongTries = 0;
        m_nNotBefore = 0;
        m_idle->Touch();
        return;
    }
    ++m_nWrongTries;
    ZMessageBox(u"Das Passwort passt nicht zu %1."_s.arg(name), QMessageBox::Ok, QMessageBox::NoIcon,
                m_window);
    if (m_nWrongTries >= 3) {
        const int ms = (m_nWrongTries - 2) * 1000;
        m_nNotBefore = CClock::Current().NowMs() + ms;
        emit waitStarted(ms);
    }
}
