// The dialog for one entry: site, user name, password and comment.  The password can be masked
// with "#" and its length is shown while it is typed.  The fields take texts of any length; OK
// refuses only characters that a vault cannot hold, and names them.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <string>

namespace Ui {
class CEntryDlg;
}

class CEntryDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEntryDlg(QWidget* parent = nullptr);
    ~CEntryDlg() override;

    // Shows the four texts as they are set now; 1 (OK) or 2 (cancel).  Read them only after 1.
    int DoModal();

    // Windows-1252 bytes.
    std::string m_strSeite;
    std::string m_strName;
    std::string m_strPasswort;
    std::string m_strKommentar;
    bool m_bHideTyping;

public slots:
    void accept() override;

private:
    void OnInitDialog();
    void ExchangeData(bool fromControls);
    void ApplyMasking();
    void UpdateLength();
    // Ours: "&Generieren" puts a password from the generator into the password field.
    void OnGenerate();

    std::unique_ptr<Ui::CEntryDlg> m_ui;
    // The four texts as the dialog opened with them, and their bytes: a field left as it was gives
    // back its bytes exactly, also those (a zero byte) that no field character stands for.
    QString m_strShown[4];
    std::string m_strOriginal[4];
};
