// The automation server in a process of its own, for the tests of automation_server.
#include "platform/automation_server.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunAutomationServer(app);
}
