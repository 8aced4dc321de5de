// Opens a web address (or file) with the desktop's default handler, falling back to the program
// registered for HTML documents; turns a failed launch into a message.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Result above 32: success.  32 or less: a shell error code (2 file not found, 31 no association,
// ...).  When the HTML handler fallback runs, the result is that of its start (above 31: started).
int OpenWebAddress(const QString& address, int showCommand = 5);

// The command template of the registered HTML handler (the Exec line of the desktop entry that
// `xdg-mime query default text/html` names, field codes rewritten to "%1").  0 on success.
int ReadHtmlHandlerTemplate(QString& commandTemplate);

// The pure text step: cut the template at the first "\"%1\"" or else "%1", then a blank and the
// address (unquoted); text after the placeholder is dropped.
QString MakeHandlerCommand(const QString& commandTemplate, const QString& address);

// Program and arguments for starting the handler without a shell: the template split by the
// Desktop Entry quoting rules, the address as one single argument.  Empty when it cannot be split.
QStringList HandlerArguments(const QString& commandTemplate, const QString& address);

// "Unable to open hyperlink:\n\n" and the text for the code.
QString LaunchErrorText(int code);
void ShowLaunchError(int code);

// Tests replace the launch itself (an empty function restores it).
void SetWebLauncherHook(std::function<int(const QString& address)> hook);
