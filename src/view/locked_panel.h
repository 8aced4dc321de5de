// What the empty list shows while the vault is locked: one way back, a centred "Entsperren"
// button, which Return presses as well.
#pragma once

#include <QWidget>

class QPushButton;

class CLockedPanel : public QWidget {
    Q_OBJECT
public:
    // Covers area (the list's rows) and follows its size.
    explicit CLockedPanel(QWidget* area);

    QPushButton* Button() const { return m_button; }

signals:
    void unlockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* m_button;
};
