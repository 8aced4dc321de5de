#include "platform/desktop_open.h"

#include "platform/launch_error.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

std::function<bool(const QUrl&)>& DesktopOpener() {
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

// The scheme of "scheme:rest" when it is one the desktop opens for us; "C:\..." has none.
bool HasOpenableScheme(const QString& address) {
    const qsizetype colon = address.indexOf(u':');
    if (colon < 1) {
        return false;
    }
    const QString scheme = address.left(colon).toLower();
    return scheme == u"http"_s || scheme == u"https"_s || scheme == u"ftp"_s || scheme == u"mailto"_s ||
           scheme == u"file"_s;
}

// Whether the file's first lines hold the group header of a desktop entry, whatever its name; the
// MIME database, which tells that by content as well, is not always installed.
bool HoldsDesktopEntryGroup(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : file.read(4096).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed == "[Desktop Entry]" || trimmed == "[KDE Desktop Entry]") {
            return true;
        }
    }
    return false;
}

// A file the desktop would run rather than show: a program or a desktop entry (by its name, its
// link target's name or its content).
bool IsLaunchable(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile() && info.isExecutable()) {
        return true;
    }
    const QMimeDatabase mime;
    for (const QString& name : {path, info.canonicalFilePath()}) {
        if (!name.isEmpty() && (name.endsWith(u".desktop"_s, Qt::CaseInsensitive) ||
                                mime.mimeTypeForFile(name).inherits(u"application/x-desktop"_s))) {
            return true;
        }
    }
    return info.isFile() && HoldsDesktopEntryGroup(path);
}

bool Open(const QUrl& url) {
    const bool opened = DesktopOpener() ? DesktopOpener()(url) : QDesktopServices::openUrl(url);
    return opened;
}

}  // namespace

// The shell's "open": an address with a scheme, or a file that exists.
int OpenWithDesktop(const QString& address) {
    QUrl url;
    if (HasOpenableScheme(address)) {
        url = QUrl(address, QUrl::TolerantMode);
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
            return launch::kFileNotFound;
        }
    } else if (!address.isEmpty() && QFileInfo::exists(address)) {
        url = QUrl::fromLocalFile(QFileInfo(address).absoluteFilePath());
    }
    if (!url.isValid()) {
        return launch::kFileNotFound;
    }
    // A site name from a vault someone sent must not start a program.
    if (url.isLocalFile() && IsLaunchable(url.toLocalFile())) {
        return launch::kAccessDenied;
    }
    return Open(url) ? launch::kSucceeded : launch::kNoAssociation;
}

int OpenDocumentWithDesktop(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        return launch::kFileNotFound;
    }
    return Open(QUrl::fromLocalFile(info.absoluteFilePath())) ? launch::kSucceeded : launch::kNoAssociation;
}

void SetDesktopOpener(std::function<bool(const QUrl& url)> opener) {
    DesktopOpener() = std::move(opener);
}
