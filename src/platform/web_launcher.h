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
int OpenWebAddress(const QString& address, int showCommand = 5);

// The command template of the registered HTML handler (the Exec line of the desktop entry that
// `xdg-mime query default text/html` names, field codes rewritten to "%1").  0 on success.
int ReadHtmlHandlerTemplate(QString& commandTemplate);

// Tests replace the launch itself (an empty function restores it).
void SetWebLauncherHook(std::function<int(const QString& address)> hook);

// Tests of the launch steps replace the program asked for the HTML handler ("xdg-mime"); an empty
// value restores the real one.
void SetXdgMimeProgram(const QString& program);
