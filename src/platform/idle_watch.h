// Time without keyboard or mouse input in the program's windows: after "LockMinutes" (read at each
// check) it says so, once per idle spell.
#pragma once

#include <QObject>
#include <QTimer>

class CIdleWatch : public QObject {
    Q_OBJECT
public:
    // Watches every window of the application.
    explicit CIdleWatch(QObject* parent = nullptr);
    ~CIdleWatch() override;

    // Input now (also what the program itself counts as a fresh start, such as an unlock).
    void Touch();
    // One check (the timer runs it every few seconds; tests after moving their clock).
    void Poll();

signals:
    void idleTimeout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer m_timer;
    qint64 m_nLastInput = 0;
    bool m_bReported = false;
};
