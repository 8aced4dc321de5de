// Opens a web address (or file) with the desktop's default handler, falling back to the program
// registered for HTML documents.
#pragma once

#include <QString>

#include <functional>

// Result above 32: success.  32 or less: a shell error code (2 file not found, 31 no association,
// ...).  When the HTML handler fallback runs, the result is that of its start (above 31: started).
// An address that begins with "-" fails as file not found; a local file that is a program or a
// desktop entry is not opened (access denied) and goes to no handler either.
// showCommand is the show state for the started program; the desktop has no use for it.
// A "mailto:" address is opened WithoutMailtoHeaders.
int OpenWebAddress(const QString& address, int showCommand = 5);

// A "mailto:" address (in any letter case, blanks around it) without the headers a mail program
// could act on unasked, such as "attach": only "subject", "body", "cc" and "bcc" stay, their values
// encoded anew so that nothing in them reads as a separator.  Any other address comes back as it is.
QString WithoutMailtoHeaders(const QString& address);

// The program's own document (its help page) with the same steps and results, but opened as a
// document whatever its mode bits; what comes from a vault goes through OpenWebAddress.
int OpenOwnDocument(const QString& path, int showCommand = 5);

// The command template of the registered HTML handler (the Exec line of the desktop entry that
// `xdg-mime query default text/html` names, field codes rewritten to "%1").  0 on success.
int ReadHtmlHandlerTemplate(QString& commandTemplate);

// Tests replace the launch itself (an empty function restores it).
void SetWebLauncherHook(std::function<int(const QString& address)> hook);

// Tests of the launch steps replace the program asked for the HTML handler ("xdg-mime"); an empty
// value restores the real one.
void SetXdgMimeProgram(const QString& program);
