#include "dialogs/generator_dlg.h"

#include <QFontDatabase>
#include <QSignalBlocker>

#include "dialogs/dialog_support.h"
#include "platform/generator_settings.h"
#include "platform/modal.h"
#include "platform/text_wipe.h"
#include "ui_generator_dlg.h"
#include "vault/secure_wipe.h"

CGeneratorDlg::CGeneratorDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)), m_ui(std::make_unique<Ui::CGeneratorDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    m_pClassChecks[pwgen::kUpper] = m_ui->upperCheck;
    m_pClassChecks[pwgen::kLower] = m_ui->lowerCheck;
    m_pClassChecks[pwgen::kDigits] = m_ui->digitsCheck;
    m_pClassChecks[pwgen::kSymbols] = m_ui->symbolsCheck;
    m_ui->lengthSpin->setRange(pwgen::kMinLength, pwgen::kMaxLength);
    // 0 and O, l and 1 apart; room for the longest password without scrolling.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_ui->previewEdit->setFont(fixed);
    m_ui->previewEdit->setMinimumWidth(
        QFontMetrics(fixed).horizontalAdvance(QString(pwgen::kMaxLength + 2, u'W')));
    // Shown plain, but a selection in it is not offered to other programs.
    SetMasked(*m_ui->previewEdit, false);
    m_ui->strengthLabel->setMinimumWidth(m_ui->strengthLabel->fontMetrics().horizontalAdvance(
        QStringLiteral("Der Zufallsgenerator des Systems versagt.")));
    for (QPushButton* button : {m_ui->okButton, m_ui->cancelButton}) {
        button->setMinimumWidth(DialogUnitsX(*this, 50));
    }

    connect(m_ui->okButton, &QPushButton::clicked, this, &CGeneratorDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CGeneratorDlg::reject);
    connect(m_ui->newButton, &QPushButton::clicked, this, &CGeneratorDlg::Regenerate);
    connect(m_ui->lengthSpin, &QSpinBox::valueChanged, this, &CGeneratorDlg::Regenerate);
    for (QCheckBox* box : m_pClassChecks) {
        connect(box, &QCheckBox::toggled, this, &CGeneratorDlg::KeepOneClass);
        connect(box, &QCheckBox::toggled, this, &CGeneratorDlg::Regenerate);
    }
    connect(m_ui->avoidSimilarCheck, &QCheckBox::toggled, this, &CGeneratorDlg::Regenerate);
}

CGeneratorDlg::~CGeneratorDlg() {
    SecureWipe(m_strPassword);
}

int CGeneratorDlg::DoModal() {
    m_options = generator::StoredOptions();
    ExchangeData(false);
    KeepOneClass();
    Regenerate();
    m_ui->okButton->setFocus();
    const int result = RunModal(*this);
    // The caller has its copy; the field's is not left behind.
    WipePreview();
    return result;
}

void CGeneratorDlg::ExchangeData(bool fromControls) {
    if (fromControls) {
        m_options.length = m_ui->lengthSpin->value();
        for (int c = 0; c < pwgen::kClassCount; ++c) {
            m_options.classes[c] = m_pClassChecks[c]->isChecked();
        }
        m_options.avoidSimilar = m_ui->avoidSimilarCheck->isChecked();
    } else {
        // Each control's change would draw a password for half-set choices.
        const QSignalBlocker blockLength(m_ui->lengthSpin);
        const QSignalBlocker blockSimilar(m_ui->avoidSimilarCheck);
        m_ui->lengthSpin->setValue(m_options.length);
        for (int c = 0; c < pwgen::kClassCount; ++c) {
            const QSignalBlocker block(m_pClassChecks[c]);
            m_pClassChecks[c]->setChecked(m_options.classes[c]);
        }
        m_ui->avoidSimilarCheck->setChecked(m_options.avoidSimilar);
    }
}

void CGeneratorDlg::KeepOneClass() {
    int chosen = 0;
    for (QCheckBox* box : m_pClassChecks) {
        chosen += box->isChecked() ? 1 : 0;
    }
    for (QCheckBox* box : m_pClassChecks) {
        const bool last = chosen == 1 && box->isChecked();
        box->setEnabled(!last);
        box->setToolTip(last ? QStringLiteral("Eine Zeichenart bleibt immer gewählt.") : QString());
    }
}

void CGeneratorDlg::Regenerate() {
    ExchangeData(true);
    WipePreview();
    const int error = pwgen::GeneratePassword(m_options, m_strPassword);
    if (error != 0) {
        // Never a weaker source: no password, and nothing to confirm.
        m_ui->strengthLabel->setText(QStringLiteral("Der Zufallsgenerator des Systems versagt."));
        m_ui->okButton->setEnabled(false);
        return;
    }
    // Not wiped afterwards: the field shares this buffer.
    m_ui->previewEdit->setText(
        QString::fromLatin1(m_strPassword.data(), static_cast<qsizetype>(m_strPassword.size())));
    m_ui->strengthLabel->setText(
        QStringLiteral("Stärke: %1 Bit").arg(pwgen::GeneratorStrengthBits(m_options)));
    m_ui->okButton->setEnabled(true);
}

void CGeneratorDlg::WipePreview() {
    // text() shares the field's buffer, so the wipe reaches the field's own copy.
    QString shown = m_ui->previewEdit->text();
    WipeText(shown);
    m_ui->previewEdit->clear();
}

void CGeneratorDlg::accept() {
    if (m_strPassword.empty()) {
        return;
    }
    ExchangeData(true);
    generator::StoreOptions(m_options);
    QDialog::accept();
}
