// When and how the vault locks and unlocks: the command, the desktop session's lock, its screen
// saver and a suspend ("LockOnScreenLock"), and idle time ("LockMinutes").  Open dialogs and message
// boxes are closed as cancelled first; a run that cannot be cancelled (work in progress) is waited
// for.  Unlocking asks for the password; from the third wrong one in a row each try waits a second
// longer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class CIdleWatch;
class CSessionLockWatch;
class CZelmoraDoc;

class CLockCoordinator : public QObject {
    Q_OBJECT
public:
    CLockCoordinator(CZelmoraDoc& doc, QWidget* window);
    ~CLockCoordinator() override;

    // Locks now, or as soon as the open modal runs have ended.  Nothing for a vault that cannot lock.
    void RequestLock();
    bool LockPending() const { return m_bPending; }

    // The password dialog; the vault opens with the right password.  Nothing while a wrong try's
    // wait lasts.
    void Unlock();
    // Milliseconds until the next try may be made; 0 when it may be made now.
    qint64 WaitLeft() const;

    CSessionLockWatch& SessionWatch() const { return *m_session; }
    CIdleWatch& IdleWatch() const { return *m_idle; }

signals:
    // A wrong try began a wait of this many milliseconds (the button waits with it).
    void waitStarted(int ms);

private:
    void OnSessionLocked();
    void LockWhenFree();

    CZelmoraDoc& m_doc;
    QPointer<QWidget> m_window;
    CSessionLockWatch* m_session;
    CIdleWatch* m_idle;
    bool m_bPending = false;
    int m_nWrongTries = 0;
    qint64 m_nNotBefore = 0;
};
