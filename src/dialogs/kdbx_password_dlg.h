// The password of a KDBX export, typed twice.  Any character may be used: the file keeps its
// password as UTF-8, not in the vault's code page, and has no length limit.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class CKdbxPasswordDlg;
}

class CKdbxPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CKdbxPasswordDlg(QWidget* parent = nullptr);
    ~CKdbxPasswordDlg() override;

    // 1 (OK) or 2 (cancel).  Read m_strPassword only after 1.
    int DoModal();

    std::string m_strPassword;  // UTF-8; never empty after OK
    bool m_bHideTyping;

public slots:
    void accept() override;

private:
    void ApplyMasking();
    // OK only for two equal, non-empty passwords; the hint says what is missing.
    void UpdateState();

    std::unique_ptr<Ui::CKdbxPasswordDlg> m_ui;
};
