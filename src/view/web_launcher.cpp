#include "view/web_launcher.h"

#include "app/message_box.h"
#include "view/desktop_entry.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int kNoHandler = 2;  // the registry's "not found": no HTML handler is registered

std::function<int(const QString&)>& LauncherHook() {
    static std::function<int(const QString&)> hook;
    return hook;
}

std::function<bool(const QUrl&)>& DesktopOpener() {
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

QString& XdgMimeProgram() {
    static QString program;
    return program;
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
    const bool opened = DesktopOpener() ? DesktopOpener()(url) : QDesktopServices::openUrl(url);
    return opened ? launch::kSucceeded : launch::kNoAssociation;
}

// The template before its placeholder; the whole template when it has none.
QString CutAtPlaceholder(const QString& commandTemplate) {
    qsizetype cut = commandTemplate.indexOf(u"\"%1\""_s);
    if (cut < 0) {
        cut = commandTemplate.indexOf(u"%1"_s);
    }
    return cut < 0 ? commandTemplate : commandTemplate.left(cut);
}

// Words separated by blanks; a double-quoted part may hold blanks, and inside it a backslash
// escapes '"', '`', '$' and '\'.  False on an unterminated quote.
bool SplitCommand(const QString& command, QStringList& words) {
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < command.size() &&
                       QStringView(u"\"`$\\").contains(command.at(i + 1))) {
                word.append(command.at(++i));
            } else {
                word.append(c);
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
        } else {
            quoted = c == u'"';
            if (!quoted) {
                word.append(c);
            }
            inWord = true;
        }
    }
    if (quoted) {
        return false;
    }
    if (inWord) {
        words.append(word);
    }
    return true;
}

int StartHandler(QStringList arguments) {
    QString program = arguments.takeFirst();
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        if (!info.exists()) {
            return launch::kFileNotFound;
        }
        if (!info.isFile() || !info.isExecutable()) {
            return launch::kAccessDenied;
        }
    } else {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty()) {
            return launch::kFileNotFound;
        }
    }
    // No shell: the address reaches the program as one argument, whatever it holds.
    return QProcess::startDetached(program, arguments) ? launch::kSucceeded : launch::kBadFormat;
}

}  // namespace

int OpenWebAddress(const QString& address, int showCommand) {
    Q_UNUSED(showCommand);
    if (LauncherHook()) {
        const auto hook = LauncherHook();
        return hook(address);
    }
    // A program would take such an address for one of its options.
    if (address.startsWith(u'-')) {
        return launch::kFileNotFound;
    }
    const int opened = OpenWithDesktop(address);
    if (opened > 32 || opened == launch::kAccessDenied) {
        return opened;
    }
    QString commandTemplate;
    if (ReadHtmlHandlerTemplate(commandTemplate) != 0) {
        return opened;
    }
    const QStringList arguments = HandlerArguments(commandTemplate, address);
    if (arguments.isEmpty()) {
        return opened;
    }
    return StartHandler(arguments);
}

int ReadHtmlHandlerTemplate(QString& commandTemplate) {
#ifdef Q_OS_WIN
    const QSettings classes(u"HKEY_CLASSES_ROOT"_s, QSettings::NativeFormat);
    const QString htmlClass = classes.value(u".htm/Default"_s).toString();
    if (htmlClass.isEmpty()) {
        return kNoHandler;
    }
    const QString command = classes.value(htmlClass + u"/shell/open/command/Default"_s).toString();
    if (command.isEmpty()) {
        return kNoHandler;
    }
    commandTemplate = command;
#else
    const QString entry = desktop_entry::Find(
        desktop_entry::DefaultHtmlHandler(XdgMimeProgram().isEmpty() ? u"xdg-mime"_s : XdgMimeProgram()));
    if (entry.isEmpty()) {
        return kNoHandler;
    }
    const QString exec = desktop_entry::ReadExec(entry);
    if (exec.isEmpty()) {
        return kNoHandler;
    }
    commandTemplate = HandlerTemplateFromExec(exec);
#endif
    return 0;
}

QStringList HandlerArguments(const QString& commandTemplate, const QString& address) {
    if (address.startsWith(u'-')) {
        return {};
    }
    QStringList words;
    if (!SplitCommand(CutAtPlaceholder(commandTemplate), words) || words.isEmpty() ||
        words.first().isEmpty()) {
        return {};
    }
    // An empty address adds no argument, as "program " + "" had none.
    if (!address.isEmpty()) {
        words.append(address);
    }
    return words;
}

QString LaunchErrorText(int code) {
    QString reason;
    switch (code) {
        case launch::kOutOfResources:
            reason = u"The operating system is out\nof memory or resources."_s;
            break;
        case launch::kFileNotFound:
            reason = u"The specified file was not found."_s;
            break;
        case launch::kPathNotFound:
            reason = u"The specified path was not found."_s;
            break;
        case launch::kAccessDenied:
            reason = u"The operating system denied\naccess to the specified file."_s;
            break;
        case launch::kOutOfMemory:
            reason = u"There was not enough memory to complete the operation."_s;
            break;
        case launch::kBadFormat:
            reason = u"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."_s;
            break;
        case launch::kShare:
            reason = u"A sharing violation occurred. "_s;
            break;
        case launch::kAssocIncomplete:
            reason = u"The filename association is\nincomplete or invalid."_s;
            break;
        case launch::kDdeTimeout:
            reason = u"The DDE transaction could not\nbe completed because the request timed out."_s;
            break;
        case launch::kDdeFail:
            reason = u"The DDE transaction failed."_s;
            break;
        case launch::kDdeBusy:
            reason =
                u"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."_s;
            break;
        case launch::kNoAssociation:
            reason = u"There is no application associated\nwith the given filename extension."_s;
            break;
        case launch::kDllNotFound:
            reason = u"The specified dynamic-link library was not found."_s;
            break;
        default:
            reason = u"Unknown Error (%1) occurred."_s.arg(code);
            break;
    }
    return u"Unable to open hyperlink:\n\n"_s + reason;
}

void ShowLaunchError(int code) {
    ZMessageBox(LaunchErrorText(code), QMessageBox::Ok, QMessageBox::Warning);
}

void SetWebLauncherHook(std::function<int(const QString& address)> hook) {
    LauncherHook() = std::move(hook);
}

void SetDesktopOpener(std::function<bool(const QUrl& url)> opener) {
    DesktopOpener() = std::move(opener);
}

void SetXdgMimeProgram(const QString& program) {
    XdgMimeProgram() = program;
}
