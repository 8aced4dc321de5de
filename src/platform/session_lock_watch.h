// Tells when the desktop session locks, its screen saver starts or the machine is about to sleep:
// the screen savers' ActiveChanged on the session bus (freedesktop and GNOME) and, on the system
// bus, logind's Lock of this process's session and its PrepareForSleep.  A bus that is not there
// is passed over without a word.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class CSessionLockWatch : public QObject {
    Q_OBJECT
public:
    // On the real session and system buses.
    explicit CSessionLockWatch(QObject* parent = nullptr);
    // On the buses given (tests: a private bus for both).
    CSessionLockWatch(const QDBusConnection& session, const QDBusConnection& system,
                      QObject* parent = nullptr);

    // logind's object of this process's session, once it is known; empty before.
    const QString& SessionPath() const { return m_strSessionPath; }

signals:
    void lockRequested();
    // The session's object was found and its Lock is listened to (for tests).
    void sessionFound(const QString& path);

private slots:
    void OnScreenSaverActive(bool active);
    void OnSessionLock();
    void OnPrepareForSleep(bool start);

private:
    void Listen();
    void FindSession();
    void ListenToSession(const QString& path);

    QDBusConnection m_session;
    QDBusConnection m_system;
    QString m_strSessionPath;
};
