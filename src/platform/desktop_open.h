// The shell's "open" on the desktop: an address with a scheme, or a file that exists, handed to the
// desktop's default handler.  A local file the desktop would run instead of show is refused.
#pragma once

#include <QString>

#include <functional>

class QUrl;

// A launch result (platform/launch_error.h): above 32 when the desktop took the address; file not
// found for an address without a scheme that names no file; access denied for a local program or
// desktop entry; no association when the desktop could not open it.
int OpenWithDesktop(const QString& address);

// A local file of the program's own (its help page) opened as a document by the desktop's default
// handler, whatever its mode bits: a copy from a FAT stick or a Windows share is marked executable.
// The same results; never access denied.
int OpenDocumentWithDesktop(const QString& path);

// Tests replace the desktop's open (QDesktopServices::openUrl); an empty function restores it.
void SetDesktopOpener(std::function<bool(const QUrl& url)> opener);
