// A settings store of the test's own: a fresh file in a temporary folder for as long as the object
// lives, then the native store again.
#pragma once

#include "platform/settings_store.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

class CPrivateSettings {
public:
    CPrivateSettings() : m_strPath(m_dir.filePath(QStringLiteral("Zelmora.conf"))) {
        CSettingsStore::UseFile(m_strPath);
    }
    ~CPrivateSettings() { CSettingsStore::UseFile(QString()); }
    CPrivateSettings(const CPrivateSettings&) = delete;
    CPrivateSettings& operator=(const CPrivateSettings&) = delete;

    const QString& FilePath() const { return m_strPath; }

    // The file as QSettings left it.
    QString FileText() const {
        QFile file(m_strPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A file written by hand.  Do it before the first read: QSettings caches a file it has read.
    void WriteFileText(const QString& text) const {
        QFile file(m_strPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(text.toUtf8());
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_strPath;
};
