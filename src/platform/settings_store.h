// The per-user settings store: QSettings("Halvorn", "Zelmora") in the native format (the registry
// key HKEY_CURRENT_USER\Software\Halvorn\Zelmora on Windows, $XDG_CONFIG_HOME/Halvorn/Zelmora.conf
// on Linux).  Values are read afresh at each point of use with that reader's default.
#pragma once

#include <QString>

#include <memory>

class QSettings;

// Sections and value names of every stored setting.
namespace settings {

constexpr const char* kSectionProperties = "Properties";
constexpr const char* kDoubleClick = "DoubleClick";          // 0: edit the entry, else open its site
constexpr const char* kRestoreFile = "RestoreFile";          // > 0: reopen "LastFile" at start
constexpr const char* kRestorePosition = "RestorePosition";  // > 0: restore the window placement
constexpr const char* kLoeschen = "Loeschen";                // != 0: confirm deletions
constexpr const char* kBak = "Bak";                          // != 0: write the ".bak" copy

constexpr const char* kSectionPassword = "Password";
constexpr const char* kHideTyping = "HideTyping";                // password dialog
constexpr const char* kHideTypingAddSite = "HideTypingAddSite";  // entry dialog

// Ours: the password dialog of the KDBX export keeps its "unsichtbar" box here (kHideTyping).
constexpr const char* kSectionKdbxExport = "KdbxExport";

// A section literally named "General": QSettings keeps it apart from the values of the key itself.
constexpr const char* kSectionGeneral = "General";
constexpr const char* kLastFile = "LastFile";

constexpr const char* kSectionWndStatus = "WNDSTATUS";
constexpr const char* kFlag = "FLAG";
constexpr const char* kShowCmd = "SHOWCMD";
constexpr const char* kLeft = "LEFT";
constexpr const char* kTop = "TOP";
constexpr const char* kRight = "RIGHT";
constexpr const char* kBottom = "BOTTOM";

constexpr const char* kSectionRecentFiles = "Recent File List";
constexpr const char* kRecentFile1 = "File1";  // the list holds one file ("File%d" with 1)

constexpr const char* kSectionSettings = "Settings";
constexpr const char* kPreviewPages = "PreviewPages";

// Values of the key itself, read through CRegistryKey; the program never writes them.
constexpr const char* kSettingsKeyPath = "SOFTWARE\\Halvorn\\Zelmora";
constexpr const char* kColumn1 = "Column1";
constexpr const char* kColumn2 = "Column2";
constexpr const char* kColumn3 = "Column3";
constexpr const char* kColumn4 = "Column4";
inline constexpr const char* kColumns[4] = {kColumn1, kColumn2, kColumn3, kColumn4};

}  // namespace settings

class CSettingsStore {
public:
    // The one place that decides where the store lives.  An empty path (the default) means the
    // native per-user store; tests point it to a private file of their own.
    static void UseFile(const QString& iniPath);
    // The file (or, on Windows, registry path) that Open() uses now.
    static QString Location();
    // Values of the key itself are top-level keys; a section is a group.
    static std::unique_ptr<QSettings> Open();

    // A value that is missing or of the wrong type ("abc" where an integer is expected) gives the default.
    static int ReadInt(const char* section, const char* name, int defaultValue);
    // The same, and a value outside min..max (a hand-edited file) gives the default as well.
    static int ReadIntInRange(const char* section, const char* name, int defaultValue, int min, int max);
    static QString ReadString(const char* section, const char* name, const QString& defaultValue = QString());
    // Creates section and value when missing; failures are ignored by every caller.
    static void WriteInt(const char* section, const char* name, int value);
    static void WriteString(const char* section, const char* name, const QString& value);
};

// Reads texts stored in the key itself (not in a section), like the optional column captions
// "Column1" to "Column4".
class CRegistryKey {
public:
    // The error codes of the registry that the store stands in for.
    static constexpr long kErrorSuccess = 0;
    static constexpr long kErrorFileNotFound = 2;   // no such key or value
    static constexpr long kErrorInvalidHandle = 6;  // no key open
    static constexpr long kErrorInvalidData = 13;   // not a text, or a text that code page 1252 cannot hold
    static constexpr long kErrorMoreData = 234;     // longer than the buffer
    static constexpr int kBufferBytes = 200;

    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // path below the user's root, e.g. "SOFTWARE\\Halvorn\\Zelmora" (compared without regard to case).
    // A path below it names a section ("SOFTWARE\\Halvorn\\Zelmora\\Properties").  Keys outside the
    // program's own do not exist in this store.  Returns 0 on success, otherwise an error code.
    long Open(const QString& path);
    // 0 on success with text set; otherwise an error code and text unchanged.  The value must fit a
    // buffer of 200 bytes in code page 1252, its terminating zero byte included.
    long QueryString(const char* valueName, QString& text) const;
    void Close();

    bool IsOpen() const { return m_bOpen; }
    const QString& Name() const { return m_strName; }

private:
    QString m_strName;
    QString m_strSection;  // empty for the key itself
    bool m_bOpen = false;
};
