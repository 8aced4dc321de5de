// The information box: name and version, copyright, web and mail links, the cipher in use.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class CAboutDlg;
}

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // 1 for "OK" or Enter, 2 for Escape or the close box; callers ignore it.
    int DoModal();

private:
    std::unique_ptr<Ui::CAboutDlg> m_ui;
};
