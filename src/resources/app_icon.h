// The application icon (resource 128): one scalable drawing for the dialogs and the main window.
#pragma once

#include <QIcon>

// Needs the Qt SVG icon engine at run time (Debian: libqt6svg6).
QIcon AppIcon();
