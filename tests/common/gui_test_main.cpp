// Entry point of every Qt test suite: offscreen platform, a private settings store and
// XDG folders in a temporary directory, so that no test touches the user's files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    // Must be in place before the first QSettings or QStandardPaths use.
    const QByteArray root = QFile::encodeName(home.path());
    for (const char* sub : {"config", "data", "cache", "runtime"}) {
        QDir(home.path()).mkpath(QString::fromLatin1(sub));
    }
    // Qt insists on a private runtime folder.
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("ZELMORA_TEST_HOME", root);

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
