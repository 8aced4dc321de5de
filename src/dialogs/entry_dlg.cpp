#include "dialogs/entry_dlg.h"

#include <QSignalBlocker>
#include <QString>

#include "dialogs/dialog_support.h"
#include "platform/modal.h"
#include "platform/product.h"
#include "platform/settings_store.h"
#include "platform/text_codec.h"
#include "ui_entry_dlg.h"
#include "vault/secure_wipe.h"

CEntryDlg::CEntryDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)),
      m_bHideTyping(CSettingsStore::ReadInt(settings::kSectionPassword, settings::kHideTypingAddSite, 1) > 0),
      m_ui(std::make_unique<Ui::CEntryDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    ShowAppIcon(*m_ui->iconLabel);
    m_ui->webLink->setText(QString::fromUtf8(product::kWebAddress));
    m_ui->webLink->Attach();
    for (QLineEdit* field : {m_ui->siteEdit, m_ui->nameEdit, m_ui->passwordEdit, m_ui->commentEdit}) {
        AcceptVaultTextOnly(*field);
    }
    m_ui->passwordEdit->setMinimumWidth(DialogUnitsX(*this, 110));
    m_ui->lengthLabel->setMinimumWidth(
        m_ui->lengthLabel->fontMetrics().horizontalAdvance(QStringLiteral("000 Zeichen")));

    connect(m_ui->okButton, &QPushButton::clicked, this, &CEntryDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CEntryDlg::reject);
    connect(m_ui->hideCheck, &QCheckBox::clicked, this, &CEntryDlg::ApplyMasking);
    connect(m_ui->passwordEdit, &QLineEdit::textChanged, this, &CEntryDlg::UpdateLength);
}

CEntryDlg::~CEntryDlg() {
    SecureWipe(m_strPasswort);
}

int CEntryDlg::DoModal() {
    OnInitDialog();
    return RunModal(*this);
}

void CEntryDlg::OnInitDialog() {
    ExchangeData(false);
    ApplyMasking();
    UpdateLength();
    // Masking moved the focus to the password; the dialog opens in its first field.
    m_ui->siteEdit->setFocus();
}

void CEntryDlg::ExchangeData(bool fromControls) {
    if (fromControls) {
        m_strSeite = TextToVault(m_ui->siteEdit->text());
        m_strName = TextToVault(m_ui->nameEdit->text());
        SecureWipe(m_strPasswort);
        m_strPasswort = TextToVault(m_ui->passwordEdit->text());
        m_strKommentar = TextToVault(m_ui->commentEdit->text());
        m_bHideTyping = m_ui->hideCheck->isChecked();
    } else {
        // The password's change handler reads every control back: it must not run before all
        // of them hold their fields, or it would overwrite the ones still to come.
        const QSignalBlocker blocker(m_ui->passwordEdit);
        m_ui->siteEdit->setText(TextFromVault(m_strSeite));
        m_ui->nameEdit->setText(TextFromVault(m_strName));
        m_ui->passwordEdit->setText(TextFromVault(m_strPasswort));
        m_ui->commentEdit->setText(TextFromVault(m_strKommentar));
        m_ui->hideCheck->setChecked(m_bHideTyping);
    }
}

void CEntryDlg::ApplyMasking() {
    ExchangeData(true);
    ApplyMaskChoice(*m_ui->passwordEdit, m_bHideTyping, settings::kHideTypingAddSite);
}

void CEntryDlg::UpdateLength() {
    ExchangeData(true);
    m_ui->lengthLabel->setText(QStringLiteral("%1 Zeichen").arg(m_strPasswort.size()));
}

void CEntryDlg::accept() {
    ExchangeData(true);
    QDialog::accept();
}
