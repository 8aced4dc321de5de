// Opens a web address (or file) with the desktop's default handler, falling back to the program
// registered for HTML documents; turns a failed launch into a message.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QUrl;

// Launch results: the shell's error codes (32 or less) and the value for success.
namespace launch {
constexpr int kOutOfResources = 0;
constexpr int kFileNotFound = 2;      // SE_ERR_FNF
constexpr int kPathNotFound = 3;      // SE_ERR_PNF
constexpr int kAccessDenied = 5;      // SE_ERR_ACCESSDENIED
constexpr int kOutOfMemory = 8;       // SE_ERR_OOM
constexpr int kBadFormat = 11;        // ERROR_BAD_FORMAT
constexpr int kShare = 26;            // SE_ERR_SHARE
constexpr int kAssocIncomplete = 27;  // SE_ERR_ASSOCINCOMPLETE
constexpr int kDdeTimeout = 28;       // SE_ERR_DDETIMEOUT
constexpr int kDdeFail = 29;          // SE_ERR_DDEFAIL
constexpr int kDdeBusy = 30;          // SE_ERR_DDEBUSY
constexpr int kNoAssociation = 31;    // SE_ERR_NOASSOC
constexpr int kDllNotFound = 32;      // SE_ERR_DLLNOTFOUND
constexpr int kSucceeded = 42;        // above 32 for the desktop's open, above 31 for a started handler
}  // namespace launch

// Result above 32: success.  32 or less: a shell error code (2 file not found, 31 no association,
// ...).  When the HTML handler fallback runs, the result is that of its start (above 31: started).
// An address that begins with "-" fails as file not found; a local file that is a program or a
// desktop entry is not opened (access denied) and goes to no handler either.
// showCommand is the show state for the started program; the desktop has no use for it.
int OpenWebAddress(const QString& address, int showCommand = 5);

// The command template of the registered HTML handler (the Exec line of the desktop entry that
// `xdg-mime query default text/html` names, field codes rewritten to "%1").  0 on success.
int ReadHtmlHandlerTemplate(QString& commandTemplate);

// The fallback's whole argument list, the one place it is made: the program and the arguments of
// the template cut at its first "\"%1\"" or else "%1" (text after the placeholder is dropped; no
// placeholder keeps it whole), split by the Desktop Entry quoting rules, then the address as one
// single argument (none when it is empty).  No shell sees it.  Empty when the template cannot be
// split, and for an address that begins with "-", which the program would take for an option.
QStringList HandlerArguments(const QString& commandTemplate, const QString& address);

// "Unable to open hyperlink:\n\n" and the text for the code.
QString LaunchErrorText(int code);
void ShowLaunchError(int code);

// Tests replace the launch itself (an empty function restores it).
void SetWebLauncherHook(std::function<int(const QString& address)> hook);

// Tests of the launch steps replace the desktop's open (QDesktopServices::openUrl) and the program
// asked for the HTML handler ("xdg-mime"); empty values restore the real ones.
void SetDesktopOpener(std::function<bool(const QUrl& url)> opener);
void SetXdgMimeProgram(const QString& program);
