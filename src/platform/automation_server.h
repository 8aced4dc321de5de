// Stand-in for the automation server that a start with /Embedding or /Automation waits as: the
// process owns the session-bus name de.halvorn.Zelmora, with an object that offers no methods, and
// shows no window.
#pragma once

class QCoreApplication;

namespace automation {

constexpr const char* kBusName = "de.halvorn.Zelmora";
constexpr const char* kObjectPath = "/de/halvorn/Zelmora";

}  // namespace automation

// Takes the name and runs app's event loop until the process is ended; returns the loop's exit
// code.  Without a session bus, or when another process owns the name, it says so in German on
// standard error and returns 1 at once; when the bus goes away later (the session ended), likewise.
int RunAutomationServer(QCoreApplication& app);
