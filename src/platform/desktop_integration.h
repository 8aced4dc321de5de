// The vault file type and the program in the user's desktop: a desktop entry, a shared-mime-info
// package and the icon under $XDG_DATA_HOME, written at each start as the program registers itself.
#pragma once

#include <QString>

namespace desktop_integration {

constexpr const char* kAppId = "de.halvorn.Zelmora";  // desktop entry, icon and package name
constexpr const char* kMimeType = "application/x-zelmora-vault";

}  // namespace desktop_integration

// Which files WriteFileTypeRegistration wrote (the others were up to date, or could not be written).
struct SRegistrationWrites {
    bool bDesktopEntry = false;
    bool bMimePackage = false;
    bool bIcon = false;

    bool Any() const { return bDesktopEntry || bMimePackage || bIcon; }
};

// $XDG_DATA_HOME, or ~/.local/share when that is unset or not an absolute path.
QString UserDataHome();

// The desktop entry's Exec value that starts programPath with one file ("%f"), quoted and escaped
// by the Desktop Entry rules.  Empty when programPath holds a control character or "=", which an
// Exec line cannot carry.
QString DesktopExecLine(const QString& programPath);

// Writes under dataHome, each only when missing or different from what it should hold:
// applications/de.halvorn.Zelmora.desktop (Exec starting programPath; left out when
// DesktopExecLine is empty), mime/packages/de.halvorn.Zelmora.xml and
// icons/hicolor/scalable/apps/de.halvorn.Zelmora.svg.
SRegistrationWrites WriteFileTypeRegistration(const QString& dataHome, const QString& programPath);

// At each start: WriteFileTypeRegistration(UserDataHome(), the running program), then
// update-mime-database and update-desktop-database, where installed, in the background for what
// changed or has no cache yet.  Never blocks for long; failures are silent.
void RegisterFileTypeForUser();
