// Numeric ids of the program's commands, resources, controls and strings.
// Stored settings, tests and the command table refer to these numbers; keep them unchanged.
#pragma once

namespace zid {

// Dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Resources.
constexpr int IDD_ABOUTBOX = 100;      // "Info über Zelmora"
constexpr int IDD_ZELMORA_FORM = 101;  // the main view's form
constexpr int IDR_CONTEXT_MENU = 104;  // context menu of the entry list
constexpr int IDD_ENTRY = 106;         // "Eintrag"
constexpr int IDD_PASSWORD = 107;      // "Passwort Eingabe:"
constexpr int IDD_OPTIONS = 112;       // "Einstellungen"
constexpr int IDR_MAINFRAME = 128;     // main menu, accelerators, tool bar, application icon

// Strings.
constexpr int IDP_OLE_INIT_FAILED = 100;
constexpr int IDP_SOCKETS_INIT_FAILED = 104;
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_IDLE_MESSAGE = 57345;  // "Bereit"

// Commands: file menu.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_SEND_MAIL = 57612;
constexpr int ID_FILE_MRU_FILE1 = 57616;  // "Letzte Datei"
constexpr int ID_APP_EXIT = 57665;

// Commands: entries.
constexpr int ID_ENTRY_NEW = 1014;
constexpr int ID_ENTRY_CHANGE = 1016;
constexpr int ID_ENTRY_DELETE = 32773;
constexpr int ID_ENTRY_DUPLICATE = 32780;
constexpr int ID_CHANGE_PASSWORD = 1015;

// Commands: clipboard.
constexpr int ID_COPY_SEITE = 57634;
constexpr int ID_COPY_NAME = 32777;
constexpr int ID_COPY_PASSWORT = 32778;
constexpr int ID_COPY_KOMMENTAR = 32779;
constexpr int ID_CLEAR_CLIPBOARD = 32782;

// Commands: view, help.
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_OPTIONS = 3005;
constexpr int ID_REFRESH = 1012;
constexpr int ID_HELP_PAGE = 32786;
constexpr int ID_UPDATE_CHECK = 32785;
constexpr int ID_APP_ABOUT = 57664;

// Status bar indicators.
constexpr int ID_INDICATOR_CAPS = 59137;  // "UF"
constexpr int ID_INDICATOR_NUM = 59138;   // "NUM"
constexpr int ID_INDICATOR_SCRL = 59139;  // "RF"

// Controls of the main view.
constexpr int IDC_LIST = 1000;

// Controls of the entry dialog (106).
constexpr int IDC_ENTRY_SEITE = 1001;
constexpr int IDC_ENTRY_NAME = 1002;
constexpr int IDC_ENTRY_PASSWORT = 1004;
constexpr int IDC_ENTRY_KOMMENTAR = 1005;
constexpr int IDC_ENTRY_LINK = 1006;
constexpr int IDC_ENTRY_HIDE = 1007;
constexpr int IDC_ENTRY_LENGTH = 1018;

// Controls of the password dialog (107).
constexpr int IDC_PW_BAR = 1001;
constexpr int IDC_PW_LINK = 1002;
constexpr int IDC_PW_EDIT = 1004;
constexpr int IDC_PW_LENGTH = 1018;
constexpr int IDC_PW_LENGTH_CAPTION = 1019;
constexpr int IDC_PW_HIDE = 1020;
// Ours: the new password typed a second time, in the change mode only.
constexpr int IDC_PW_REPEAT = 1030;
constexpr int IDC_PW_REPEAT_CAPTION = 1031;

// Controls of the options dialog (112).
constexpr int IDC_OPT_CONFIRM_DELETE = 1008;
constexpr int IDC_OPT_BACKUP = 1010;
constexpr int IDC_OPT_RESTORE_POSITION = 1021;
constexpr int IDC_OPT_RESTORE_FILE = 1022;
constexpr int IDC_OPT_DBLCLICK_EDIT = 1023;
constexpr int IDC_OPT_DBLCLICK_WEB = 1024;

// Controls of the About box (100).
constexpr int IDC_ABOUT_WEB = 1002;
constexpr int IDC_ABOUT_MAIL = 1003;

// Ours: the export to KDBX 4, its command in "&Datei" and its password dialog.
constexpr int ID_FILE_EXPORT_KDBX = 32800;
constexpr int IDD_KDBX_PASSWORD = 140;
constexpr int IDC_KDBX_PASSWORD = 1101;
constexpr int IDC_KDBX_REPEAT = 1102;
constexpr int IDC_KDBX_HIDE = 1103;
constexpr int IDC_KDBX_HINT = 1104;
constexpr int IDC_KDBX_STRENGTH = 1105;  // ours beside the generator: the typed password's strength

// Ours: everyday safety.  The lock in "&Datei", the "Sicherheit" dialog and the hidden passwords
// in "&Ansicht".
constexpr int ID_FILE_LOCK = 32820;
constexpr int ID_SECURITY = 32821;
constexpr int ID_HIDE_PASSWORDS = 32822;
constexpr int IDD_SECURITY = 150;
constexpr int IDC_SEC_CLIPBOARD_SECONDS = 1201;
constexpr int IDC_SEC_LOCK_ON_SCREEN_LOCK = 1202;
constexpr int IDC_SEC_LOCK_MINUTES = 1203;
constexpr int IDC_SEC_HIDE_PASSWORDS = 1204;

// Ours: the search field of the tool bar and its command in "&Ansicht".
constexpr int ID_VIEW_SEARCH = 32840;

// Ours: the password generator, opened from the entry dialog's "&Generieren".
constexpr int IDC_ENTRY_GENERATE = 1040;
constexpr int IDD_GENERATOR = 160;
constexpr int IDC_GEN_LENGTH = 1301;
constexpr int IDC_GEN_UPPER = 1302;
constexpr int IDC_GEN_LOWER = 1303;
constexpr int IDC_GEN_DIGITS = 1304;
constexpr int IDC_GEN_SYMBOLS = 1305;
constexpr int IDC_GEN_AVOID_SIMILAR = 1306;
constexpr int IDC_GEN_PREVIEW = 1307;
constexpr int IDC_GEN_NEW = 1308;
constexpr int IDC_GEN_STRENGTH = 1309;

}  // namespace zid
