// The options of the section "Properties": read when the dialog opens, all five written on "OK",
// none on cancel.  The rest of the program reads them from the store at each use.
#pragma once

#include <QDialog>

#include <memory>

class QButtonGroup;

namespace Ui {
class COptionsDlg;
}

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // 1 (OK) or 2 (cancel).
    int DoModal();

    // Check states 0 or 1; m_nDoubleClick is the index of the set radio, -1 for none.
    int m_bRestoreFile = 0;
    int m_bRestorePosition = 0;
    int m_nDoubleClick = -1;
    int m_bConfirmDelete = 0;
    int m_bBackup = 0;

public slots:
    void accept() override;

private:
    void OnInitDialog();
    void ExchangeData(bool fromControls);

    std::unique_ptr<Ui::COptionsDlg> m_ui;
    QButtonGroup* m_doubleClickGroup;
};
