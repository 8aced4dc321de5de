#include "platform/automation_server.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void SayOnStderr(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace

int RunAutomationServer(QCoreApplication& app) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        SayOnStderr(
            "Zelmora: Kein D-Bus-Sitzungsbus erreichbar; der Automatisierungsserver kann nicht starten.");
        return 1;
    }
    // Clients find the server by its name; the object offers nothing beyond D-Bus's own interfaces.
    QObject server;
    const QString path = QString::fromLatin1(automation::kObjectPath);
    const QString name = QString::fromLatin1(automation::kBusName);
    if (!bus.registerObject(path, &server, QDBusConnection::ExportAllContents)) {
        SayOnStderr("Zelmora: Der Automatisierungsserver kann sich nicht am D-Bus-Sitzungsbus anmelden.");
        return 1;
    }
    if (!bus.registerService(name)) {
        bus.unregisterObject(path);
        SayOnStderr("Zelmora: Der Name de.halvorn.Zelmora ist am D-Bus-Sitzungsbus schon vergeben.");
        return 1;
    }
    // Without its bus (the session ended) nobody can reach the server any more: end instead of lingering.
    bus.connect(QString(), u"/org/freedesktop/DBus/Local"_s, u"org.freedesktop.DBus.Local"_s,
                u"Disconnected"_s, &app, SLOT(quit()));
    const int status = app.exec();
    if (!bus.isConnected()) {
        SayOnStderr(
            "Zelmora: Die Verbindung zum D-Bus-Sitzungsbus ist abgerissen; der Automatisierungsserver "
            "endet.");
        return 1;
    }
    bus.unregisterService(name);
    bus.unregisterObject(path);
    return status;
}
