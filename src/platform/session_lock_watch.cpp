#include "platform/session_lock_watch.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace {

const QString kLogin1 = u"org.freedesktop.login1"_s;
const QString kLogin1Path = u"/org/freedesktop/login1"_s;
const QString kManager = u"org.freedesktop.login1.Manager"_s;

}  // namespace

CSessionLockWatch::CSessionLockWatch(QObject* parent)
    : CSessionLockWatch(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), parent) {}

CSessionLockWatch::CSessionLockWatch(const QDBusConnection& session, const QDBusConnection& system,
                                     QObject* parent)
    : QObject(parent), m_session(session), m_system(system) {
    Listen();
}

void CSessionLockWatch::Listen() {
    if (m_session.isConnected()) {
        // Any sender and any path: KDE sends it from /ScreenSaver as well.
        for (const QString& iface : {u"org.freedesktop.ScreenSaver"_s, u"org.gnome.ScreenSaver"_s}) {
            m_session.connect(QString(), QString(), iface, u"ActiveChanged"_s, this,
                              SLOT(OnScreenSaverActive(bool)));
        }
    }
    if (m_system.isConnected()) {
        m_system.connect(kLogin1, kLogin1Path, kManager, u"PrepareForSleep"_s, this,
                         SLOT(OnPrepareForSleep(bool)));
        FindSession();
    }
}

void CSessionLockWatch::FindSession() {
    // Asked without waiting: logind may be slow, or not there at all.
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager, u"GetSessionByPID"_s);
    call << quint32(QCoreApplication::applicationPid());
    auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *done;
        if (!reply.isError()) {
            ListenToSession(reply.value().path());
            return;
        }
        // A process started outside the session (a terminal of another seat) names it this way.
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty()) {
            return;
        }
        QDBusMessage byId = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager, u"GetSession"_s);
        byId << id;
        auto* second = new QDBusPendingCallWatcher(m_system.asyncCall(byId), this);
        connect(second, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* found) {
            found->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> session = *found;
            if (!session.isError()) {
                ListenToSession(session.value().path());
            }
        });
    });
}

void CSessionLockWatch::ListenToSession(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    m_strSessionPath = path;
    m_system.connect(kLogin1, path, u"org.freedesktop.login1.Session"_s, u"Lock"_s, this,
                     SLOT(OnSessionLock()));
    emit sessionFound(path);
}

void CSessionLockWatch::OnScreenSaverActive(bool active) {
    if (active) {
        emit lockRequested();
    }
}

void CSessionLockWatch::OnSessionLock() {
    emit lockRequested();
}

void CSessionLockWatch::OnPrepareForSleep(bool start) {
    if (start) {
        emit lockRequested();
    }
}
