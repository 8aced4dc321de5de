// The vault password dialog: the typed password (at most 56 characters), masked with "#" on
// request; when asked for (a password change), its length as a number and as a bar, and the
// password typed a second time.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class CPasswordDlg;
}

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // The longest vault password: Blowfish takes keys of at most 56 bytes.
    static constexpr int kMaxLength = 56;

    // showLength non-zero: the length label and bar follow the typing (a password change).
    explicit CPasswordDlg(int showLength, QWidget* parent = nullptr);
    ~CPasswordDlg() override;

    // 1 (OK) or 2 (cancel).  Read m_strPassword only after 1.
    int DoModal();

    // The vault file the password is for: its name follows the caption.
    void SetFileName(const QString& fileName);

    std::string m_strPassword;  // Windows-1252 bytes
    bool m_bHideTyping;
    const bool m_bShowLength;

public slots:
    void accept() override;

private:
    void OnInitDialog();
    // fromControls: controls into the fields, with the length check; false when it failed.
    bool ExchangeData(bool fromControls);
    // On confirming: a change needs the same password twice.
    bool CheckRepeated();
    void ApplyMasking();
    void UpdateLength();

    std::unique_ptr<Ui::CPasswordDlg> m_ui;
};
