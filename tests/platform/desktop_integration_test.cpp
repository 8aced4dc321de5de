#include "platform/desktop_integration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Source(const char* name) {
    return QString::fromUtf8(ZELMORA_RESOURCE_DIR) + u'/' + QString::fromLatin1(name);
}

// Sets an environment variable for one test.
class CEnvironment {
public:
    CEnvironment(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~CEnvironment() { qputenv(m_name, m_old); }
    CEnvironment(const CEnvironment&) = delete;
    CEnvironment& operator=(const CEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
};

// Stand-ins for the two cache tools: each writes its arguments to a record file and, as the real
// ones do, leaves a cache behind.
void WriteStandIn(const QDir& bin, const QString& tool, const QString& record, const QString& cache) {
    QFile script(bin.filePath(tool));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + record.toUtf8() + "'\ntouch \"$1/" +
                 cache.toUtf8() + "\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QByteArray ExecLineOf(const QByteArray& entry) {
    for (const QByteArray& line : entry.split('\n')) {
        if (line.startsWith("Exec=")) {
            return line;
        }
    }
    return QByteArray();
}

}  // namespace

TEST(DesktopIntegration, RegistersTheRunningProgramOnceAndAgainWhenOutOfDate) {
    QTemporaryDir dir;
    const QDir home(dir.filePath(u"data"_s));
    const QDir bin(dir.filePath(u"bin"_s));
    ASSERT_TRUE(QDir().mkpath(bin.path()));
    const QString mimeRecord = dir.filePath(u"mime.record"_s);
    const QString desktopRecord = dir.filePath(u"desktop.record"_s);
    WriteStandIn(bin, u"update-mime-database"_s, mimeRecord, u"mime.cache"_s);
    WriteStandIn(bin, u"update-desktop-database"_s, desktopRecord, u"mimeinfo.cache"_s);
    CEnvironment dataHome("XDG_DATA_HOME", QFile::encodeName(home.path()));
    CEnvironment path("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));

    RegisterFileTypeForUser();

    const QString program = QCoreApplication::applicationFilePath();
    const QString entryPath = home.filePath(u"applications/de.halvorn.Zelmora.desktop"_s);
    const QByteArray entry = FileBytes(entryPath);
    if (QRegularExpression(u"^[A-Za-z0-9/._+-]+$"_s).match(program).hasMatch()) {
        EXPECT_EQ(ExecLineOf(entry), "Exec=" + program.toUtf8() + " %f");
    }
    // Apart from Exec, the very entry that `cmake --install` ships.
    QByteArray shipped = FileBytes(Source("de.halvorn.Zelmora.desktop"));
    ASSERT_FALSE(shipped.isEmpty());
    EXPECT_EQ(QByteArray(entry).replace(ExecLineOf(entry), "Exec=zelmora %f"), shipped);
    EXPECT_EQ(FileBytes(home.filePath(u"mime/packages/de.halvorn.Zelmora.xml"_s)),
              FileBytes(Source("de.halvorn.Zelmora.mime.xml")));
    EXPECT_EQ(FileBytes(home.filePath(u"icons/hicolor/scalable/apps/de.halvorn.Zelmora.svg"_s)),
              FileBytes(Source("app_icon.svg")));

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(home.filePath(u"mime/mime.cache"_s)); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo::exists(home.filePath(u"applications/mimeinfo.cache"_s)); }, 5000));
    EXPECT_EQ(FileBytes(mimeRecord), home.filePath(u"mime"_s).toUtf8() + '\n');
    EXPECT_EQ(FileBytes(desktopRecord), home.filePath(u"applications"_s).toUtf8() + '\n');

    // Up to date: nothing written, no tool started.
    const QDateTime written = QFileInfo(entryPath).lastModified();
    QTest::qWait(20);
    RegisterFileTypeForUser();
    QTest::qWait(300);
    EXPECT_EQ(QFileInfo(entryPath).lastModified(), written);
    EXPECT_EQ(FileBytes(mimeRecord).count('\n'), 1);
    EXPECT_EQ(FileBytes(desktopRecord).count('\n'), 1);

    // The program moved since: its entry is written anew and the desktop database refreshed, the
    // rest stays.
    QFile stale(entryPath);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(entry).replace(ExecLineOf(entry), "Exec=/old/place/zelmora %f"));
    stale.close();
    RegisterFileTypeForUser();
    EXPECT_EQ(FileBytes(entryPath), entry);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileBytes(desktopRecord).count('\n') == 2; }, 5000));
    EXPECT_EQ(FileBytes(mimeRecord).count('\n'), 1);
}

TEST(DesktopIntegration, ExecLineQuotesAnAwkwardProgramPathOrRefusesIt) {
    EXPECT_EQ(DesktopExecLine(u"/opt/zelmora/bin/zelmora"_s), u"/opt/zelmora/bin/zelmora %f"_s);
    // Quoted for the reserved characters, backslashes doubled once more for the file's string rules,
    // the percent sign doubled for the field codes.
    EXPECT_EQ(DesktopExecLine(u"/home/a b/50% \"q\" $v \\w `t`/zelmora"_s),
              uR"("/home/a b/50%% \\"q\\" \\$v \\\\w \\`t\\`/zelmora" %f)"_s);
    EXPECT_EQ(DesktopExecLine(u"/opt/a;b/zélmora"_s), u"\"/opt/a;b/zélmora\" %f"_s);
    EXPECT_EQ(DesktopExecLine(u"/opt/a=b/zelmora"_s), QString());
    EXPECT_EQ(DesktopExecLine(u"/opt/a\nb/zelmora"_s), QString());

    // Such a program gets no entry, but the file type and the icon are still registered.
    QTemporaryDir home;
    const SRegistrationWrites writes = WriteFileTypeRegistration(home.path(), u"/opt/a\nb/zelmora"_s);
    EXPECT_FALSE(writes.bDesktopEntry);
    EXPECT_TRUE(writes.bMimePackage && writes.bIcon);
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"applications/de.halvorn.Zelmora.desktop"_s)));

    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty()) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    EXPECT_TRUE(
        WriteFileTypeRegistration(home.path(), u"/home/a b/50% \"q\" $v \\w `t`/zelmora"_s).bDesktopEntry);
    for (const QString& entry : {Source("de.halvorn.Zelmora.desktop"),
                                 home.filePath(u"applications/de.halvorn.Zelmora.desktop"_s)}) {
        QProcess validate;
        validate.start(validator, {entry});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0)
            << entry.toStdString() << ": " << validate.readAllStandardOutput().data();
    }
}

TEST(DesktopIntegration, MimePackageGivesTheVaultTypeToZlmFiles) {
    const QString tool = QStandardPaths::findExecutable(u"update-mime-database"_s);
    if (tool.isEmpty()) {
        GTEST_SKIP() << "update-mime-database is not installed";
    }
    QTemporaryDir home;
    WriteFileTypeRegistration(home.path(), u"/opt/zelmora/bin/zelmora"_s);
    QProcess update;
    update.start(tool, {home.filePath(u"mime"_s)});
    ASSERT_TRUE(update.waitForFinished(30000));
    ASSERT_EQ(update.exitCode(), 0) << update.readAllStandardError().data();
    const QByteArray type = FileBytes(home.filePath(u"mime/application/x-zelmora-vault.xml"_s));
    EXPECT_TRUE(type.contains("<comment>Zelmo Document</comment>")) << type.data();
    EXPECT_TRUE(type.contains("<icon name=\"de.halvorn.Zelmora\"/>")) << type.data();
    EXPECT_TRUE(FileBytes(home.filePath(u"mime/globs2"_s)).contains("application/x-zelmora-vault:*.zlm"));
}
