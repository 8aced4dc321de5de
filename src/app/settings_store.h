// The per-user settings store: QSettings("Halvorn", "Zelmora") in the native format (the registry
// key HKEY_CURRENT_USER\Software\Halvorn\Zelmora on Windows, $XDG_CONFIG_HOME/Halvorn/Zelmora.conf
// on Linux).  Values are read afresh at each point of use with that reader's default.
#pragma once

#include <QString>

#include <memory>

class QSettings;

class CSettingsStore {
public:
    // The one place that decides where the store lives.  An empty path (the default) means the
    // native per-user store; tests point it to a private file of their own.
    static void UseFile(const QString& iniPath);
    static std::unique_ptr<QSettings> Open();

    // A value that is missing or of the wrong type ("abc" where an integer is expected) gives the default.
    static int ReadInt(const char* section, const char* name, int defaultValue);
    static QString ReadString(const char* section, const char* name, const QString& defaultValue = QString());
    // Creates section and value when missing; failures are ignored by every caller.
    static void WriteInt(const char* section, const char* name, int value);
    static void WriteString(const char* section, const char* name, const QString& value);
};

// Reads texts stored in the key itself (not in a section), like the optional column captions
// "Column1" to "Column4".
class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // path below the user's root, e.g. "SOFTWARE\\Halvorn\\Zelmora" (compared without regard to case).
    // Returns 0 on success, otherwise an error code.
    long Open(const QString& path);
    // 0 on success with text set; otherwise an error code and text unchanged.  The value must fit a
    // buffer of 200 bytes in code page 1252, its terminating zero byte included.
    long QueryString(const char* valueName, QString& text) const;
    void Close();

    bool IsOpen() const { return m_bOpen; }
    const QString& Name() const { return m_strName; }

private:
    QString m_strName;
    bool m_bOpen = false;
};
