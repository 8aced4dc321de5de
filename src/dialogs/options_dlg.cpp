#include "dialogs/options_dlg.h"

#include <QButtonGroup>

#include "dialogs/dialog_support.h"
#include "platform/modal.h"
#include "platform/settings_store.h"
#include "ui_options_dlg.h"

namespace {

int IsSet(int value) {
    return value > 0 ? 1 : 0;
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent)
    : QDialog(DialogOwner(parent)),
      m_ui(std::make_unique<Ui::COptionsDlg>()),
      m_doubleClickGroup(new QButtonGroup(this)) {
    m_ui->setupUi(this);
    PrepareDialogFrame(*this);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    ShowAppIcon(*m_ui->iconLabel);
    m_doubleClickGroup->addButton(m_ui->doubleClickEditRadio, 0);
    m_doubleClickGroup->addButton(m_ui->doubleClickWebRadio, 1);
    m_ui->startupGroup->setMinimumWidth(DialogUnitsX(*this, 196));
    for (QPushButton* button : {m_ui->okButton, m_ui->cancelButton}) {
        button->setMinimumWidth(DialogUnitsX(*this, 50));
    }

    connect(m_ui->okButton, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
}

COptionsDlg::~COptionsDlg() = default;

int COptionsDlg::DoModal() {
    OnInitDialog();
    return RunModal(*this);
}

void COptionsDlg::OnInitDialog() {
    using namespace settings;
    const int confirmDelete = CSettingsStore::ReadInt(kSectionProperties, kLoeschen, 1);
    const int restorePosition = CSettingsStore::ReadInt(kSectionProperties, kRestorePosition, 1);
    const int restoreFile = CSettingsStore::ReadInt(kSectionProperties, kRestoreFile, 1);
    const int doubleClick = CSettingsStore::ReadInt(kSectionProperties, kDoubleClick, 0);
    const int backup = CSettingsStore::ReadInt(kSectionProperties, kBak, 1);
    m_bRestoreFile = IsSet(restoreFile);
    m_bRestorePosition = IsSet(restorePosition);
    m_nDoubleClick = doubleClick;
    m_bConfirmDelete = IsSet(confirmDelete);
    m_bBackup = IsSet(backup);
    ExchangeData(false);
    m_ui->restorePositionCheck->setFocus();
}

void COptionsDlg::ExchangeData(bool fromControls) {
    if (fromControls) {
        m_bRestoreFile = m_ui->restoreFileCheck->isChecked() ? 1 : 0;
        m_bRestorePosition = m_ui->restorePositionCheck->isChecked() ? 1 : 0;
        m_nDoubleClick = m_doubleClickGroup->checkedId();
        m_bConfirmDelete = m_ui->confirmDeleteCheck->isChecked() ? 1 : 0;
        m_bBackup = m_ui->backupCheck->isChecked() ? 1 : 0;
    } else {
        m_ui->restoreFileCheck->setChecked(m_bRestoreFile != 0);
        m_ui->restorePositionCheck->setChecked(m_bRestorePosition != 0);
        // An exclusive group keeps one radio set; an index other than 0 or 1 shows none.
        m_doubleClickGroup->setExclusive(false);
        m_ui->doubleClickEditRadio->setChecked(m_nDoubleClick == 0);
        m_ui->doubleClickWebRadio->setChecked(m_nDoubleClick == 1);
        m_doubleClickGroup->setExclusive(true);
        m_ui->confirmDeleteCheck->setChecked(m_bConfirmDelete != 0);
        m_ui->backupCheck->setChecked(m_bBackup != 0);
    }
}

void COptionsDlg::accept() {
    using namespace settings;
    ExchangeData(true);
    CSettingsStore::WriteInt(kSectionProperties, kDoubleClick, m_nDoubleClick);
    CSettingsStore::WriteInt(kSectionProperties, kRestoreFile, m_bRestoreFile == 1 ? 1 : 0);
    CSettingsStore::WriteInt(kSectionProperties, kRestorePosition, m_bRestorePosition == 1 ? 1 : 0);
    CSettingsStore::WriteInt(kSectionProperties, kLoeschen, m_bConfirmDelete);
    CSettingsStore::WriteInt(kSectionProperties, kBak, m_bBackup);
    QDialog::accept();
}
