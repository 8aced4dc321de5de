// Qt's own German texts for the standard buttons and dialogs ("Ja", "Nein", "Abbrechen").
#pragma once

class QCoreApplication;

// Loads qtbase_de from Qt's translations folder (or a "translations" folder next to the program)
// and installs it in app.  False when no catalogue was found; the texts then stay English.
bool InstallGermanTranslations(QCoreApplication& app);
