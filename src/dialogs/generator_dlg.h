// Our "Passwort generieren" dialog: length, character classes and the similar characters, a
// preview drawn afresh on every change and on "Neu", and its strength in bits.  The choices come
// from section "Generator" and are written back on "OK", not on cancel.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "vault/password_generator.h"

class QCheckBox;

namespace Ui {
class CGeneratorDlg;
}

class CGeneratorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGeneratorDlg(QWidget* parent = nullptr);
    ~CGeneratorDlg() override;

    // 1 (OK) or 2 (cancel).  Read m_strPassword only after 1.
    int DoModal();

    pwgen::SGeneratorOptions m_options;
    std::string m_strPassword;  // the preview's password; ASCII, so Windows-1252 as it is

public slots:
    void accept() override;

private:
    void ExchangeData(bool fromControls);
    // Draws a new password for the choices shown and updates preview, strength and OK.
    void Regenerate();
    // The last chosen class cannot be cleared: its box is disabled while it is the only one.
    void KeepOneClass();
    // Wipes the password shown and empties the field.
    void WipePreview();

    std::unique_ptr<Ui::CGeneratorDlg> m_ui;
    QCheckBox* m_pClassChecks[pwgen::kClassCount] = {};
};
