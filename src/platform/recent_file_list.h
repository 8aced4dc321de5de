// The recent-file list: room for one file, stored as "Recent File List"/"File1", read at start
// and written at exit.
#pragma once

#include <QString>

class CRecentFileList {
public:
    static constexpr int kMaxDisplayLength = 30;

    void ReadList();
    void WriteList() const;
    void Add(const QString& path) { m_strFile = path; }
    bool IsEmpty() const { return m_strFile.isEmpty(); }
    const QString& File() const { return m_strFile; }
    // The menu text: "&1 " and the path shortened to at most 30 characters, keeping the file name.
    QString MenuText() const;

    // The path shortened to maxLength: the first folder, "...", and as many trailing parts as fit;
    // the bare file name when not even that fits.
    static QString Abbreviate(const QString& path, int maxLength);

private:
    QString m_strFile;
};
