#include "resources/commands.h"

#include "resources/resource_ids.h"

using namespace zid;

const std::vector<SCommandInfo>& CommandTable() {
    static const std::vector<SCommandInfo> table = {
        // "&Datei"
        {ID_FILE_NEW, "&Neu\tStrg+N", "Erstellt eine neue Datei.\nNeues Dokument", "Ctrl+N",
         ":/icons/file-new.svg"},
        {ID_FILE_OPEN, "Ö&ffnen...\tStrg+O", "Öffnet ein bestehendes Dokument.\nÖffnen", "Ctrl+O",
         ":/icons/file-open.svg"},
        {ID_FILE_SAVE, "S&peichern\tStrg+S", "Speichert das aktive Dokument.\nSpeichern", "Ctrl+S", nullptr},
        {ID_FILE_SAVE_AS, "Speichern &unter...",
         "Speichert das aktive Dokument unter neuem Namen.\nSpeichern unter", "", ":/icons/file-save-as.svg"},
        // Ours: the way to KeePassXC, KeePass and the programs of that family.
        {ID_FILE_EXPORT_KDBX, "Als &KDBX exportieren...",
         "Schreibt alle Einträge verschlüsselt in eine KDBX-Datei für KeePassXC und KeePass.\nAls KDBX "
         "exportieren",
         "", nullptr},
        // Ours: the lock, with the padlock; the password change has a key.
        {ID_FILE_LOCK, "Tresor &sperren\tStrg+L",
         "Sperrt den Tresor: die Einträge bleiben verschlüsselt, bis das Passwort eingegeben wird.\nTresor "
         "sperren",
         "Ctrl+L", ":/icons/lock.svg"},
        {ID_FILE_PRINT, "&Drucken...\tStrg+P", "Druckt das aktive Dokument.\nDrucken", "Ctrl+P",
         ":/icons/print.svg"},
        {ID_FILE_PRINT_PREVIEW, "Sei&tenansicht", "Zeigt ganze Seiten an.\nSeitenansicht", "", nullptr},
        {ID_FILE_PRINT_SETUP, "Drucker&einrichtung...",
         "Ändert den Drucker und die Druckoptionen.\nDruckereinrichtung", "", nullptr},
        {ID_FILE_SEND_MAIL, "N&achricht senden...\tStrg+A",
         "Versendet das aktive Dokument per e-mail.\nNachricht senden", "Ctrl+A", ":/icons/send-mail.svg"},
        {ID_FILE_MRU_FILE1, "Letzte Datei", "Öffnet die zuletzt geöffnete Datei.\nLetzte Datei", "", nullptr},
        {ID_APP_EXIT, "&Beenden\tStrg+B",
         "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden", "Ctrl+B",
         ":/icons/exit.svg"},
        // "&Eintrag"
        {ID_ENTRY_NEW, "&Neue\tF2", "Neuer Eintrag in der Seite\nNeuer Eintrag", "F2",
         ":/icons/entry-new.svg"},
        {ID_ENTRY_DELETE, "Löschen", "Löscht den Eintrag bzw. die Zeile\nLöschen", "",
         ":/icons/entry-delete.svg"},
        {ID_ENTRY_CHANGE, "Ändern...", "Ändert den markierten Eintrag\nEintrag ändern", "",
         ":/icons/entry-change.svg"},
        {ID_ENTRY_DUPLICATE, "Verdoppeln", "Fügt eine Kopie des makierten Eintrags hinzu\nVerdoppeln", "",
         ":/icons/entry-duplicate.svg"},
        {ID_CHANGE_PASSWORD, "Passwort ändern...", "Passwort setzen bzw. ändern\nPasswort ändern/setzen", "",
         ":/icons/change-password.svg"},
        // "&Kopiere"
        {ID_COPY_SEITE, "&Seite\tCtrl+C",
         "Kopiert die Seite der markierten Spalte und überträgt sie in die Zwischenablage.\nKopiere Seite",
         "Ctrl+C;Ctrl+Ins", nullptr},
        {ID_COPY_NAME, "&Name",
         "Kopiert den Namen der markierten Spalte und überträgt ihn in die Zwischenablage.\nKopiere Seite",
         "", nullptr},
        {ID_COPY_PASSWORT, "&Passwort",
         "Kopiert das Passwort der markierten Spalte und überträgt es in die Zwischenablage.\nKopiere Seite",
         "", nullptr},
        {ID_COPY_KOMMENTAR, "K&ommentar",
         "Kopiert den Kommentar der markierten Spalte und überträgt ihn in die Zwischenablage.\nKopiere "
         "Seite",
         "", nullptr},
        {ID_CLEAR_CLIPBOARD, "Lösche Zwischenablage", "Löscht die Zwischenablage\nLöschen Zwischenablage", "",
         nullptr},
        // "&Ansicht"
        {ID_VIEW_TOOLBAR, "&Symbolleiste", "Blendet die Symbolleiste ein oder aus.\nSymbolleiste", "",
         nullptr},
        {ID_VIEW_STATUS_BAR, "S&tatusleiste", "Blendet die Statusleiste ein oder aus.\nStatusleiste", "",
         nullptr},
        {ID_OPTIONS, "Optionen ...\tF10", "Zeigt den Optionen Dialog an.\nOptionen", "F10",
         ":/icons/options.svg"},
        // Ours: the settings of section "Security" and the hidden passwords.
        {ID_SECURITY, "&Sicherheit...",
         "Zeigt den Sicherheit Dialog an: Zwischenablage, Sperren und verborgene Passwörter.\nSicherheit", "",
         nullptr},
        {ID_HIDE_PASSWORDS, "Passwörter &verbergen",
         "Zeigt in der Liste •••••• statt der "
         "Passwörter.\nPasswörter verbergen",
         "", nullptr},
        // Ours: the search field of the tool bar.
        {ID_VIEW_SEARCH, "&Suchen\tStrg+F",
         "Setzt die Schreibmarke in das Suchfeld: die Liste zeigt nur die Einträge, in denen alle "
         "Suchwörter vorkommen.\nSuchen",
         "Ctrl+F", nullptr},
        // The label shows F5, yet no key is bound to it.
        {ID_REFRESH, "Refresh\tF5", "Refreschen der Ansicht\nAktualisieren", "", nullptr},
        // "&?"
        {ID_HELP_PAGE, "&Hilfe", "Zeigt die Hilfe und Anleitung des Programms an.\nHilfe", "", nullptr},
        {ID_UPDATE_CHECK, "Update ...",
         "Startet das Internet um zu sehen ob ein Update vorhanden ist.\nUpdate?", "", nullptr},
        {ID_APP_ABOUT, "Inf&o über Zelmora...",
         "Zeigt Programm-Informationen, Versionsnummer und Copyright an.\nInfo", "", ":/icons/about.svg"},
    };
    return table;
}

const SCommandInfo* FindCommand(int id) {
    for (const SCommandInfo& info : CommandTable()) {
        if (info.id == id) {
            return &info;
        }
    }
    return nullptr;
}

const std::vector<SMenuInfo>& MainMenu() {
    static const std::vector<SMenuInfo> menu = {
        {"&Datei",
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_EXPORT_KDBX, 0, ID_FILE_LOCK, 0,
          ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, 0, ID_FILE_SEND_MAIL, 0,
          ID_FILE_MRU_FILE1, 0, ID_APP_EXIT}},
        {"&Eintrag",
         {ID_ENTRY_NEW, ID_ENTRY_DELETE, ID_ENTRY_CHANGE, ID_ENTRY_DUPLICATE, 0, ID_CHANGE_PASSWORD}},
        {"&Kopiere",
         {ID_COPY_SEITE, ID_COPY_NAME, ID_COPY_PASSWORT, ID_COPY_KOMMENTAR, 0, ID_CLEAR_CLIPBOARD}},
        {"&Ansicht",
         {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, 0, ID_OPTIONS, ID_SECURITY, ID_REFRESH, 0, ID_HIDE_PASSWORDS,
          0, ID_VIEW_SEARCH}},
        {"&?", {ID_HELP_PAGE, ID_UPDATE_CHECK, ID_APP_ABOUT}},
    };
    return menu;
}

const std::vector<int>& ToolBarButtons() {
    static const std::vector<int> buttons = {
        ID_APP_EXIT,
        0,
        ID_FILE_NEW,
        ID_FILE_OPEN,
        ID_FILE_SAVE_AS,
        ID_FILE_SEND_MAIL,
        0,
        ID_ENTRY_NEW,
        0,
        ID_ENTRY_DELETE,
        ID_ENTRY_CHANGE,
        ID_ENTRY_DUPLICATE,
        0,
        ID_FILE_LOCK,
        ID_CHANGE_PASSWORD,
        0,
        ID_OPTIONS,
        0,
        ID_FILE_PRINT,
        ID_APP_ABOUT,
    };
    return buttons;
}

const std::vector<SContextItem>& ContextMenuItems() {
    static const std::vector<SContextItem> items = {
        {ID_ENTRY_NEW, "Neuer Eintrag"},
        {ID_ENTRY_CHANGE, "Ändert Eintrag"},
        {ID_ENTRY_DELETE, "Eintrag löschen"},
        {ID_ENTRY_DUPLICATE, "Eintrag verdoppeln"},
        {0, nullptr},
        {ID_CLEAR_CLIPBOARD, "Lösche Zwischenablage"},
    };
    return items;
}

const std::vector<SContextItem>& ContextCopyItems() {
    static const std::vector<SContextItem> items = {
        {ID_COPY_SEITE, "&Seite"},
        {ID_COPY_NAME, "&Name"},
        {ID_COPY_PASSWORT, "&Passwort"},
        {ID_COPY_KOMMENTAR, "K&ommentar"},
    };
    return items;
}
