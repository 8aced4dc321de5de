#include "dialogs/password_dlg.h"

#include <QSignalBlocker>
#include <QString>

#include "dialogs/dialog_support.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/product.h"
#include "platform/settings_store.h"
#include "platform/text_codec.h"
#include "ui_password_dlg.h"
#include "vault/secure_wipe.h"

CPasswordDlg::CPasswordDlg(int showLength, QWidget* parent)
    : QDialog(DialogOwner(parent)),
      m_bHideTyping(CSettingsStore::ReadInt(settings::kSectionPassword, settings::kHideTyping, 1) > 0),
      m_bShowLength(showLength != 0),
      m_ui(std::make_unique<Ui::CPasswordDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    ShowAppIcon(*m_ui->iconLabel);
    m_ui->webLink->setText(QString::fromUtf8(product::kWebAddress));
    m_ui->webLink->Attach();
    // No repeat when a vault is opened: a wrong password is told then.
    m_ui->repeatEdit->setVisible(m_bShowLength);
    m_ui->repeatCaptionLabel->setVisible(m_bShowLength);
    m_ui->passwordEdit->setMinimumWidth(DialogUnitsX(*this, 150));
    // Thinner than the field below it, so that the empty bar is not taken for a second field.
    m_ui->lengthBar->setFixedHeight(fontMetrics().height() * 2 / 3);
    // Room for "56 Zeichen", so that the dialog keeps its size while the count grows.
    m_ui->lengthLabel->setMinimumWidth(
        m_ui->lengthLabel->fontMetrics().horizontalAdvance(QStringLiteral("%1 Zeichen").arg(kMaxLength)));

    connect(m_ui->okButton, &QPushButton::clicked, this, &CPasswordDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CPasswordDlg::reject);
    connect(m_ui->hideCheck, &QCheckBox::clicked, this, &CPasswordDlg::ApplyMasking);
    connect(m_ui->passwordEdit, &QLineEdit::textChanged, this, &CPasswordDlg::UpdateLength);
}

CPasswordDlg::~CPasswordDlg() {
    // The caller has taken its copy by now.
    SecureWipe(m_strPassword);
}

void CPasswordDlg::SetFileName(const QString& fileName) {
    setWindowTitle(QStringLiteral("Passwort Eingabe: ") + fileName);
}

int CPasswordDlg::DoModal() {
    OnInitDialog();
    return RunModal(*this);
}

void CPasswordDlg::OnInitDialog() {
    ExchangeData(false);
    m_ui->lengthBar->setRange(0, kMaxLength);
    ApplyMasking();
    UpdateLength();
    m_ui->passwordEdit->setFocus();
}

bool CPasswordDlg::ExchangeData(bool fromControls) {
    QLineEdit& field = *m_ui->passwordEdit;
    if (fromControls) {
        SecureWipe(m_strPassword);
        m_strPassword = TextToVault(field.text());
        if (static_cast<int>(m_strPassword.size()) > kMaxLength) {
            ZMessageBox(QStringLiteral("Geben Sie bitte nicht mehr als %1 Zeichen ein.").arg(kMaxLength),
                        QMessageBox::Ok, QMessageBox::Warning, this);
            field.setFocus();
            return false;
        }
        m_bHideTyping = m_ui->hideCheck->isChecked();
    } else {
        // Update length reads the controls back; it runs once all of them hold their fields.
        const QSignalBlocker blocker(field);
        field.setText(TextFromVault(m_strPassword));
        field.setMaxLength(kMaxLength);
        m_ui->hideCheck->setChecked(m_bHideTyping);
    }
    return true;
}

void CPasswordDlg::ApplyMasking() {
    ExchangeData(true);
    SetMasked(*m_ui->repeatEdit, m_bHideTyping);
    ApplyMaskChoice(*m_ui->passwordEdit, m_bHideTyping, settings::kHideTyping);
}

void CPasswordDlg::UpdateLength() {
    if (m_bShowLength) {
        ExchangeData(true);
        const int n = static_cast<int>(m_strPassword.size());
        m_ui->lengthBar->setValue(n);
        m_ui->lengthLabel->setText(QStringLiteral("%1 Zeichen").arg(n));
    } else {
        m_ui->lengthLabel->clear();
        m_ui->lengthCaptionLabel->clear();
    }
}

bool CPasswordDlg::CheckRepeated() {
    if (!m_bShowLength || m_ui->repeatEdit->text() == m_ui->passwordEdit->text()) {
        return true;
    }
    ZMessageBox(QStringLiteral("Die beiden Passwörter stimmen nicht überein."), QMessageBox::Ok,
                QMessageBox::Warning, this);
    m_ui->repeatEdit->setFocus();
    m_ui->repeatEdit->selectAll();
    return false;
}

void CPasswordDlg::accept() {
    if (CheckStorable(*m_ui->passwordEdit, QStringLiteral("Passwort"), this) &&
        (!m_bShowLength || CheckStorable(*m_ui->repeatEdit, QStringLiteral("Passwort wiederholen"), this)) &&
        ExchangeData(true) && CheckRepeated()) {
        QDialog::accept();
    }
}
