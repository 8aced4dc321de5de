#include "dialogs/security_dlg.h"

#include "dialogs/dialog_support.h"
#include "platform/modal.h"
#include "platform/security_settings.h"
#include "ui_security_dlg.h"

CSecurityDlg::CSecurityDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)), m_ui(std::make_unique<Ui::CSecurityDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    ShowAppIcon(*m_ui->iconLabel);
    m_ui->clipboardSecondsSpin->setRange(0, security::kMaxClipboardSeconds);
    m_ui->lockMinutesSpin->setRange(0, security::kMaxLockMinutes);
    for (QPushButton* button : {m_ui->okButton, m_ui->cancelButton}) {
        button->setMinimumWidth(DialogUnitsX(*this, 50));
    }
    connect(m_ui->okButton, &QPushButton::clicked, this, &CSecurityDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CSecurityDlg::reject);
}

CSecurityDlg::~CSecurityDlg() = default;

int CSecurityDlg::DoModal() {
    m_nClipboardSeconds = security::ClipboardSeconds();
    m_bLockOnScreenLock = security::LockOnScreenLock();
    m_nLockMinutes = security::LockMinutes();
    m_bHidePasswords = security::HidePasswords();
    ExchangeData(false);
    m_ui->clipboardSecondsSpin->setFocus();
    return RunModal(*this);
}

void CSecurityDlg::ExchangeData(bool fromControls) {
    if (fromControls) {
        m_nClipboardSeconds = m_ui->clipboardSecondsSpin->value();
        m_bLockOnScreenLock = m_ui->lockOnScreenLockCheck->isChecked();
        m_nLockMinutes = m_ui->lockMinutesSpin->value();
        m_bHidePasswords = m_ui->hidePasswordsCheck->isChecked();
    } else {
        m_ui->clipboardSecondsSpin->setValue(m_nClipboardSeconds);
        m_ui->lockOnScreenLockCheck->setChecked(m_bLockOnScreenLock);
        m_ui->lockMinutesSpin->setValue(m_nLockMinutes);
        m_ui->hidePasswordsCheck->setChecked(m_bHidePasswords);
    }
}

void CSecurityDlg::accept() {
    ExchangeData(true);
    security::SetClipboardSeconds(m_nClipboardSeconds);
    security::SetLockOnScreenLock(m_bLockOnScreenLock);
    security::SetLockMinutes(m_nLockMinutes);
    security::SetHidePasswords(m_bHidePasswords);
    QDialog::accept();
}
