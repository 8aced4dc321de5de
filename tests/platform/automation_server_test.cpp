#include "platform/automation_server.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void StartProbe(QProcess& probe, const QString& busAddress) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    probe.setProcessEnvironment(environment);
    probe.start(QString::fromUtf8(ZELMORA_AUTOMATION_PROBE), {});
    ASSERT_TRUE(probe.waitForStarted(5000));
}

}  // namespace

TEST(AutomationServer, EndsWithStatusOneWithoutASessionBus) {
    QTemporaryDir dir;
    QProcess probe;
    StartProbe(probe, u"unix:path="_s + dir.filePath(u"no-bus"_s));
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 1);
    EXPECT_TRUE(probe.readAllStandardError().contains("Kein D-Bus-Sitzungsbus erreichbar"));
}

TEST(AutomationServer, OwnsTheBusNameWithAnEmptyObjectAndEndsWithTheBus) {
    const QString daemonProgram = QStandardPaths::findExecutable(u"dbus-daemon"_s);
    if (daemonProgram.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    // A private session bus of the test's own.
    QProcess daemon;
    daemon.start(daemonProgram, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000));
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    const QString busName = QString::fromLatin1(automation::kBusName);

    QProcess first;
    StartProbe(first, address);
    {
        QDBusConnection watcher = QDBusConnection::connectToBus(address, u"automation-test"_s);
        ASSERT_TRUE(watcher.isConnected());
        EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.interface()->isServiceRegistered(busName).value(); },
                                    10000));
        // No interface of its own: nothing beyond D-Bus's standard ones.
        const QDBusMessage reply = watcher.call(
            QDBusMessage::createMethodCall(busName, QString::fromLatin1(automation::kObjectPath),
                                           u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s));
        const QString xml = reply.arguments().value(0).toString();
        EXPECT_TRUE(xml.contains(u"org.freedesktop.DBus.Introspectable"_s)) << xml.toStdString();
        EXPECT_EQ(xml.count(u"<interface "_s), xml.count(u"<interface name=\"org.freedesktop.DBus."_s));
    }
    QDBusConnection::disconnectFromBus(u"automation-test"_s);

    QProcess second;
    StartProbe(second, address);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("schon vergeben"));

    // The first runs on until its bus goes away with the session.
    EXPECT_EQ(first.state(), QProcess::Running);
    daemon.terminate();
    ASSERT_TRUE(daemon.waitForFinished(5000));
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 1);
}
