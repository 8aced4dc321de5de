#include "platform/desktop_integration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

using namespace Qt::StringLiterals;

// Outside the unnamed namespace: Q_INIT_RESOURCE declares a function of the global one.
static void RegisterResources() {
    // The resources sit in a static library, whose registration the linker would otherwise drop.
    static const bool registered = [] {
        Q_INIT_RESOURCE(zelmora);
        return true;
    }();
    (void)registered;
}

namespace {

QByteArray Resource(const QString& path) {
    RegisterResources();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString AppId() {
    return QString::fromLatin1(desktop_integration::kAppId);
}

// The shipped entry starts "zelmora" from PATH; the user's copy starts this very program.
QByteArray DesktopEntryFor(const QString& execLine) {
    QList<QByteArray> lines = Resource(u":/desktop/de.halvorn.Zelmora.desktop"_s).split('\n');
    for (QByteArray& line : lines) {
        if (line.startsWith("Exec=")) {
            line = "Exec=" + execLine.toUtf8();
        }
    }
    return lines.join('\n');
}

// Writes content to path unless the file holds it already.  True when written.
bool WriteIfChanged(const QString& path, const QByteArray& content) {
    if (content.isEmpty()) {
        return false;
    }
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == content.size() &&
        existing.readAll() == content) {
        return false;
    }
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

// Output would land in the terminal that started the program.
void StartQuietly(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty() || !QFileInfo(folder).isDir()) {
        return;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({folder});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

}  // namespace

QString UserDataHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment)) {
        return QDir::cleanPath(fromEnvironment);
    }
    return QDir::homePath() + u"/.local/share"_s;
}

QString DesktopExecLine(const QString& programPath) {
    if (programPath.isEmpty() || programPath.contains(u'=')) {
        return QString();
    }
    static const QString reserved = u" \t\"'\\><~|&;$*?#()`"_s;
    bool quote = false;
    QString quoted;
    for (const QChar c : programPath) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return QString();
        }
        if (reserved.contains(c)) {
            quote = true;
        }
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    QString program = quote ? u'"' + quoted + u'"' : programPath;
    // The string rules of the file come on top of the quoting: a backslash is written twice.
    program.replace(u'\\', u"\\\\"_s);
    program.replace(u'%', u"%%"_s);
    return program + u" %f"_s;
}

SRegistrationWrites WriteFileTypeRegistration(const QString& dataHome, const QString& programPath) {
    const QDir home(dataHome);
    SRegistrationWrites writes;
    const QString execLine = DesktopExecLine(programPath);
    if (!execLine.isEmpty()) {
        writes.bDesktopEntry = WriteIfChanged(home.filePath(u"applications/"_s + AppId() + u".desktop"_s),
                                              DesktopEntryFor(execLine));
    }
    writes.bMimePackage = WriteIfChanged(home.filePath(u"mime/packages/"_s + AppId() + u".xml"_s),
                                         Resource(u":/desktop/de.halvorn.Zelmora.mime.xml"_s));
    writes.bIcon = WriteIfChanged(home.filePath(u"icons/hicolor/scalable/apps/"_s + AppId() + u".svg"_s),
                                  Resource(u":/icons/zelmora.svg"_s));
    return writes;
}

void RegisterFileTypeForUser() {
    const QString dataHome = UserDataHome();
    const SRegistrationWrites writes =
        WriteFileTypeRegistration(dataHome, QCoreApplication::applicationFilePath());
    const QDir home(dataHome);
    // A cache that is missing was not built last time, perhaps because the tool was not installed yet.
    if (writes.bMimePackage || !QFileInfo::exists(home.filePath(u"mime/mime.cache"_s))) {
        StartQuietly(u"update-mime-database"_s, home.filePath(u"mime"_s));
    }
    if (writes.bDesktopEntry || !QFileInfo::exists(home.filePath(u"applications/mimeinfo.cache"_s))) {
        StartQuietly(u"update-desktop-database"_s, home.filePath(u"applications"_s));
    }
}
