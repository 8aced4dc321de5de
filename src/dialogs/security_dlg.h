// Our "Sicherheit" dialog: the values of section "Security", read when it opens, all four written
// on "OK", none on cancel.  Its fields allow only what the readers accept.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class CSecurityDlg;
}

class CSecurityDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSecurityDlg(QWidget* parent = nullptr);
    ~CSecurityDlg() override;

    // 1 (OK) or 2 (cancel).
    int DoModal();

    int m_nClipboardSeconds = 0;
    bool m_bLockOnScreenLock = false;
    int m_nLockMinutes = 0;
    bool m_bHidePasswords = false;

public slots:
    void accept() override;

private:
    void ExchangeData(bool fromControls);

    std::unique_ptr<Ui::CSecurityDlg> m_ui;
};
