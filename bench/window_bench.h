// What every benchmark of the window program sets up first: the offscreen platform unless another
// is named, and a settings file of its own for as long as it runs.
#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include "platform/settings_store.h"

class CWindowBench {
public:
    CWindowBench(int& argc, char** argv) : m_app(argc, argv) {
        CSettingsStore::UseFile(File(QStringLiteral("Zelmora.conf")));
    }
    // A file in the benchmark's own temporary folder.
    QString File(const QString& name) const { return m_dir.filePath(name); }

private:
    struct SOffscreen {
        SOffscreen() {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
        }
    };
    SOffscreen m_platform;  // before the application reads the variable
    QApplication m_app;
    QTemporaryDir m_dir;
};
