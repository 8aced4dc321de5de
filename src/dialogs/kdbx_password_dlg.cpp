#include "dialogs/kdbx_password_dlg.h"

#include <QByteArray>
#include <QString>

#include "dialogs/dialog_support.h"
#include "platform/modal.h"
#include "platform/settings_store.h"
#include "ui_kdbx_password_dlg.h"
#include "vault/password_generator.h"
#include "vault/secure_wipe.h"

CKdbxPasswordDlg::CKdbxPasswordDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)),
      m_bHideTyping(CSettingsStore::ReadInt(settings::kSectionKdbxExport, settings::kHideTyping, 1) > 0),
      m_ui(std::make_unique<Ui::CKdbxPasswordDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    m_ui->passwordEdit->setMinimumWidth(DialogUnitsX(*this, 150));
    // Room for the longest hint, so that the dialog keeps its size while the user types.
    m_ui->hintLabel->setMinimumWidth(m_ui->hintLabel->fontMetrics().horizontalAdvance(
        QStringLiteral("Die Passwörter stimmen nicht überein.")));

    connect(m_ui->okButton, &QPushButton::clicked, this, &CKdbxPasswordDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CKdbxPasswordDlg::reject);
    connect(m_ui->hideCheck, &QCheckBox::clicked, this, &CKdbxPasswordDlg::ApplyMasking);
    connect(m_ui->passwordEdit, &QLineEdit::textChanged, this, &CKdbxPasswordDlg::UpdateState);
    connect(m_ui->repeatEdit, &QLineEdit::textChanged, this, &CKdbxPasswordDlg::UpdateState);
}

CKdbxPasswordDlg::~CKdbxPasswordDlg() {
    SecureWipe(m_strPassword);
}

int CKdbxPasswordDlg::DoModal() {
    m_ui->hideCheck->setChecked(m_bHideTyping);
    SetMasked(*m_ui->passwordEdit, m_bHideTyping);
    SetMasked(*m_ui->repeatEdit, m_bHideTyping);
    UpdateState();
    m_ui->passwordEdit->setFocus();
    const int result = RunModal(*this);
    // The typed texts are not left in the fields once the caller has what it needs.
    m_ui->passwordEdit->clear();
    m_ui->repeatEdit->clear();
    return result;
}

void CKdbxPasswordDlg::ApplyMasking() {
    m_bHideTyping = m_ui->hideCheck->isChecked();
    SetMasked(*m_ui->passwordEdit, m_bHideTyping);
    SetMasked(*m_ui->repeatEdit, m_bHideTyping);
    CSettingsStore::WriteInt(settings::kSectionKdbxExport, settings::kHideTyping, m_bHideTyping ? 1 : 0);
}

void CKdbxPasswordDlg::UpdateState() {
    const QString password = m_ui->passwordEdit->text();
    const QString repeat = m_ui->repeatEdit->text();
    const bool ok = !password.isEmpty() && password == repeat;
    QByteArray utf8 = password.toUtf8();
    m_ui->strengthLabel->setText(
        QStringLiteral("Stärke: %1 Bit")
            .arg(pwgen::EstimateStrengthBits(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
    SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    m_ui->okButton->setEnabled(ok);
    if (password.isEmpty()) {
        m_ui->hintLabel->setText(QStringLiteral("Ohne Passwort schützt die Datei nichts."));
    } else if (repeat.isEmpty() || ok) {
        m_ui->hintLabel->clear();
    } else {
        m_ui->hintLabel->setText(QStringLiteral("Die Passwörter stimmen nicht überein."));
    }
}

void CKdbxPasswordDlg::accept() {
    const QString password = m_ui->passwordEdit->text();
    if (password.isEmpty() || password != m_ui->repeatEdit->text()) {
        return;
    }
    SecureWipe(m_strPassword);
    QByteArray utf8 = password.toUtf8();
    m_strPassword.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    QDialog::accept();
}
