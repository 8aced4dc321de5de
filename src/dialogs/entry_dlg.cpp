#include "dialogs/entry_dlg.h"

#include <QSignalBlocker>
#include <QString>

#include <limits>

#include "dialogs/dialog_support.h"
#include "dialogs/generator_dlg.h"
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
        // Not Qt's 32767: the dialog holds what the vault holds.
        field->setMaxLength(std::numeric_limits<int>::max());
    }
    m_ui->passwordEdit->setMinimumWidth(DialogUnitsX(*this, 110));
    m_ui->lengthLabel->setMinimumWidth(
        m_ui->lengthLabel->fontMetrics().horizontalAdvance(QStringLiteral("000 Zeichen")));

    connect(m_ui->okButton, &QPushButton::clicked, this, &CEntryDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CEntryDlg::reject);
    connect(m_ui->hideCheck, &QCheckBox::clicked, this, &CEntryDlg::ApplyMasking);
    connect(m_ui->passwordEdit, &QLineEdit::textChanged, this, &CEntryDlg::UpdateLength);
    connect(m_ui->generateButton, &QPushButton::clicked, this, &CEntryDlg::OnGenerate);
}

CEntryDlg::~CEntryDlg() {
    SecureWipe(m_strPasswort);
    SecureWipe(m_strOriginal[2]);
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
    QLineEdit* const fields[4] = {m_ui->siteEdit, m_ui->nameEdit, m_ui->passwordEdit, m_ui->commentEdit};
    std::string* const texts[4] = {&m_strSeite, &m_strName, &m_strPasswort, &m_strKommentar};
    if (fromControls) {
        for (int i = 0; i < 4; ++i) {
            const QString text = fields[i]->text();
            SecureWipe(*texts[i]);
            *texts[i] = text == m_strShown[i] ? m_strOriginal[i] : TextToVault(text);
        }
        m_bHideTyping = m_ui->hideCheck->isChecked();
    } else {
        // The password's change handler reads every control back: it must not run before all
        // of them hold their fields, or it would overwrite the ones still to come.
        const QSignalBlocker blocker(m_ui->passwordEdit);
        for (int i = 0; i < 4; ++i) {
            SecureWipe(m_strOriginal[i]);
            m_strOriginal[i] = *texts[i];
            m_strShown[i] = TextFromVault(*texts[i]);
            fields[i]->setText(m_strShown[i]);
        }
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

void CEntryDlg::OnGenerate() {
    CGeneratorDlg generator(this);
    if (generator.DoModal() != 1) {
        return;
    }
    // The field keeps its mask; its change handler updates the length.
    m_ui->passwordEdit->setText(TextFromVault(generator.m_strPassword));
    m_ui->passwordEdit->setFocus();
}

void CEntryDlg::accept() {
    QLineEdit* const fields[4] = {m_ui->siteEdit, m_ui->nameEdit, m_ui->passwordEdit, m_ui->commentEdit};
    const QString captions[4] = {QStringLiteral("Seiten Name"), QStringLiteral("Name"),
                                 QStringLiteral("Passwort"), QStringLiteral("Kommentar")};
    for (int i = 0; i < 4; ++i) {
        // A field left as it was passes: its bytes go back unchanged.
        if (fields[i]->text() != m_strShown[i] && !CheckStorable(*fields[i], captions[i], this)) {
            return;
        }
    }
    ExchangeData(true);
    QDialog::accept();
}
