#include "platform/desktop_entry.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr int kXdgMimeMilliseconds = 3000;

// The general escapes of a desktop entry's string values.
QString UnescapeDesktopValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        switch (value.at(i + 1).unicode()) {
            case u's':
                out.append(u' ');
                break;
            case u'n':
                out.append(u'\n');
                break;
            case u't':
                out.append(u'\t');
                break;
            case u'r':
                out.append(u'\r');
                break;
            case u'\\':
                out.append(u'\\');
                break;
            default:  // left for the Exec quoting rules
                out.append(c);
                continue;
        }
        ++i;
    }
    return out;
}

// A desktop-file-id "a-b.desktop" names applications/a-b.desktop or, in a subfolder,
// applications/a/b.desktop.
bool FindEntryBelow(const QString& folder, const QString& rest, QString& found) {
    const QString flat = folder + u'/' + rest;
    if (QFileInfo(flat).isFile()) {
        found = flat;
        return true;
    }
    for (qsizetype dash = rest.indexOf(u'-'); dash > 0; dash = rest.indexOf(u'-', dash + 1)) {
        const QString sub = folder + u'/' + rest.left(dash);
        if (QFileInfo(sub).isDir() && FindEntryBelow(sub, rest.mid(dash + 1), found)) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace desktop_entry {

QString DefaultHtmlHandler(const QString& xdgMimeProgram) {
    QProcess process;
    process.setProgram(xdgMimeProgram);
    process.setArguments({u"query"_s, u"default"_s, u"text/html"_s});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(kXdgMimeMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return {};
    }
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    return output.section(u'\n', 0, 0).section(u';', 0, 0).trimmed();
}

QString Find(const QString& desktopFileId) {
    if (!desktopFileId.endsWith(u".desktop"_s) || desktopFileId.contains(u'/') ||
        desktopFileId.startsWith(u'.')) {
        return {};
    }
    // $XDG_DATA_HOME first, then $XDG_DATA_DIRS in their order.
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        QString found;
        if (FindEntryBelow(data + u"/applications"_s, desktopFileId, found)) {
            return found;
        }
    }
    return {};
}

QString ReadExec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]"_s;
        } else if (inMainGroup && !line.startsWith(u'#')) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && QStringView(line).left(equals).trimmed() == u"Exec") {
                return UnescapeDesktopValue(line.mid(equals + 1).trimmed());
            }
        }
    }
    return {};
}

}  // namespace desktop_entry

QString HandlerTemplateFromExec(const QString& exec) {
    QString out;
    out.reserve(exec.size());
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c != u'%' || i + 1 == exec.size()) {
            out.append(c);
            continue;
        }
        const QChar code = exec.at(++i);
        if (QStringView(u"uUfF").contains(code)) {
            out.append(u"%1"_s);
        } else if (code == u'%') {
            out.append(u'%');
        }
        // %i, %c, %k and the deprecated codes are dropped.
    }
    return out;
}
