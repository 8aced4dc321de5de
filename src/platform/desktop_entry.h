// The program a freedesktop system registers for HTML documents: its desktop-file-id from
// xdg-mime, the entry found by that id in the XDG data folders, and the entry's Exec line.
#pragma once

#include <QString>

namespace desktop_entry {

// The desktop-file-id that `PROGRAM query default text/html` answers; empty when there is none or
// the program fails or takes longer than a few seconds.
QString DefaultHtmlHandler(const QString& xdgMimeProgram);

// The file of a desktop-file-id ("a-b.desktop" is applications/a-b.desktop or applications/a/b.desktop)
// in $XDG_DATA_HOME, then $XDG_DATA_DIRS in their order; empty when none holds it or the id is
// not a plain file name.
QString Find(const QString& desktopFileId);

// The Exec value of the entry's [Desktop Entry] group with the general escapes resolved; empty
// when it has none.
QString ReadExec(const QString& path);

}  // namespace desktop_entry

// An Exec value of a desktop entry as a command template: %u %U %f %F become "%1", %% becomes
// "%", every other field code is dropped.
QString HandlerTemplateFromExec(const QString& exec);
