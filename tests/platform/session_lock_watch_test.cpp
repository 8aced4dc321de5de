#include "platform/session_lock_watch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// logind's manager as far as the watch asks it: this process lives in session _7.
class CFakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public slots:
    QDBusObjectPath GetSessionByPID(uint pid) {
        Q_UNUSED(pid);
        return QDBusObjectPath(u"/org/freedesktop/login1/session/_7"_s);
    }
};

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 300 && !done(); ++i) {
        QTest::qWait(10);
    }
    return done();
}

// A bus of the test's own, from dbus-daemon, standing in for both the session and the system bus.
class SessionLockWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        ASSERT_TRUE(m_daemon.waitForStarted(5000)) << "dbus-daemon is needed for this test";
        ASSERT_TRUE(WaitFor([this] { return m_daemon.canReadLine(); }));
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(u"watch"_s);
        QDBusConnection::disconnectFromBus(u"peer"_s);
        m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }

    // A signal as the screen saver or logind sends it.
    void Send(const QString& path, const QString& iface, const QString& name, const QVariantList& args = {}) {
        QDBusMessage signal = QDBusMessage::createSignal(path, iface, name);
        signal.setArguments(args);
        EXPECT_TRUE(Peer().send(signal));
    }
    QDBusConnection Peer() { return QDBusConnection(u"peer"_s); }

    QProcess m_daemon;
    QString m_address;
};

TEST_F(SessionLockWatchTest, LocksForTheScreenSaversAndLogindButNotForOtherSessions) {
    QDBusConnection peer = QDBusConnection::connectToBus(m_address, u"peer"_s);
    ASSERT_TRUE(peer.isConnected());
    CFakeLogind logind;
    ASSERT_TRUE(peer.registerService(u"org.freedesktop.login1"_s));
    ASSERT_TRUE(peer.registerObject(u"/org/freedesktop/login1"_s, &logind, QDBusConnection::ExportAllSlots));

    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, u"watch"_s);
    CSessionLockWatch watch(bus, bus);
    QSignalSpy locks(&watch, &CSessionLockWatch::lockRequested);
    ASSERT_TRUE(WaitFor([&] { return !watch.SessionPath().isEmpty(); }));
    EXPECT_EQ(watch.SessionPath(), u"/org/freedesktop/login1/session/_7"_s);

    // Each step: what must not lock, then what must; the count tells both.
    const auto step = [&](const std::function<void()>& quiet, const std::function<void()>& locking) {
        const qsizetype before = locks.count();
        quiet();
        locking();
        EXPECT_TRUE(WaitFor([&] { return locks.count() > before; }));
        QTest::qWait(50);
        EXPECT_EQ(locks.count(), before + 1);
    };
    step(
        [&] {
            Send(u"/org/freedesktop/ScreenSaver"_s, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s,
                 {false});
        },
        [&] { Send(u"/ScreenSaver"_s, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s, {true}); });
    step([&] { Send(u"/org/gnome/ScreenSaver"_s, u"org.gnome.ScreenSaver"_s, u"ActiveChanged"_s, {false}); },
         [&] { Send(u"/org/gnome/ScreenSaver"_s, u"org.gnome.ScreenSaver"_s, u"ActiveChanged"_s, {true}); });
    step(
        [&] {
            Send(u"/org/freedesktop/login1/session/_8"_s, u"org.freedesktop.login1.Session"_s, u"Lock"_s);
        },
        [&] {
            Send(u"/org/freedesktop/login1/session/_7"_s, u"org.freedesktop.login1.Session"_s, u"Lock"_s);
        });
    step(
        [&] {
            Send(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s,
                 {false});
        },
        [&] {
            Send(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s,
                 {true});
        });
}

TEST_F(SessionLockWatchTest, MissingBusesAndAMissingLogindAreNoError) {
    const QDBusConnection none =
        QDBusConnection::connectToBus(u"unix:path=/nonexistent/zelmora-bus"_s, u"none"_s);
    ASSERT_FALSE(none.isConnected());
    CSessionLockWatch nowhere(none, none);
    QDBusConnection::disconnectFromBus(u"none"_s);

    // A bus without logind: the screen saver still locks.
    QDBusConnection::connectToBus(m_address, u"peer"_s);
    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, u"watch"_s);
    CSessionLockWatch watch(bus, bus);
    QSignalSpy locks(&watch, &CSessionLockWatch::lockRequested);
    Send(u"/org/freedesktop/ScreenSaver"_s, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s, {true});
    EXPECT_TRUE(WaitFor([&] { return locks.count() == 1; }));
    EXPECT_TRUE(watch.SessionPath().isEmpty());
}

}  // namespace

#include "session_lock_watch_test.moc"
