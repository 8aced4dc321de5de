#include "dialogs/about_dlg.h"

#include <QString>

#include "dialogs/dialog_support.h"
#include "platform/modal.h"
#include "platform/product.h"
#include "ui_about_dlg.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)), m_ui(std::make_unique<Ui::CAboutDlg>()) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    ShowAppIcon(*m_ui->iconLabel);
    // The template shows the same texts; the product's constants are the ones that count.
    m_ui->versionLabel->setText(QString::fromUtf8(product::kVersionText));
    m_ui->copyrightLabel->setText(
        QStringLiteral("Copyright © 2001 %1").arg(QString::fromUtf8(product::kMakerKey)));
    m_ui->webLink->setText(QString::fromUtf8(product::kWebAddress));
    m_ui->mailLink->setText(QString::fromUtf8(product::kSupportMail));
    m_ui->webLink->Attach();
    m_ui->mailLink->Attach();
    m_ui->okButton->setMinimumWidth(DialogUnitsX(*this, 50));
    // Half a line between name, links and cipher, so that they read as three groups.
    const int gap = fontMetrics().height() / 2;
    m_ui->mainLayout->setRowMinimumHeight(2, gap);
    m_ui->mainLayout->setRowMinimumHeight(5, gap);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CAboutDlg::accept);
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal() {
    return RunModal(*this);
}
