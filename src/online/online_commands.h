// The two online commands of the "&?" menu: the update check and the help page.
#pragma once

#include <QString>

class QWidget;

namespace online {

constexpr const char* kInstalledVersion = "1.10";
constexpr const char* kVersionPath = "/zelmoraversion.txt";
// The help page: beside the program, and on the web host.
constexpr const char* kHelpFilePath = "/zelmorahilfe.html";

// The maker's host ("host" or "host:port"): the host of the product's web address, or the value of
// ZELMORA_WEB_HOST when that is a plain host or host:port (anything else is ignored).
QString WebHost();
// "http://" + WebHost() + path.
QString WebAddress(const QString& path);

// A version text as a 32-bit float: leading white space, then the longest prefix that is a
// decimal number (none gives 0), read as a double and rounded to single precision.
float VersionNumber(const QString& text);

// Fetches the version file and tells the user how the running version compares; opens the help
// page on the web when the fetch failed or a newer release exists.  Blocks while it fetches.
// stallMilliseconds: how long a silent server is waited for (tests shorten it).
void CheckForUpdate(QWidget* parent, int stallMilliseconds = 30000);

// The folder of programPath (up to its last '/', on Windows also '\\'), a '/', the help file name.
QString HelpFilePath(const QString& programPath);

// Opens the help page next to the program with the desktop's handler, as a document whatever its
// mode bits, and says why when that fails; when it cannot be read, asks whether to open its web copy
// instead.  programPath defaults to the running program.
void ShowHelp(QWidget* parent, const QString& programPath = QString());

}  // namespace online
