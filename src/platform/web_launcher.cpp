#include "platform/web_launcher.h"

#include "platform/desktop_entry.h"
#include "platform/desktop_open.h"
#include "platform/handler_command.h"
#include "platform/launch_error.h"

#include <QFileInfo>
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

QString& XdgMimeProgram() {
    static QString program;
    return program;
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

// The desktop's open, then the HTML handler.  ownDocument: a file of the program's own, which the
// desktop opens as a document whatever its mode bits.
int Launch(const QString& address, bool ownDocument) {
    if (LauncherHook()) {
        const auto hook = LauncherHook();
        return hook(address);
    }
    // A program would take such an address for one of its options.
    if (address.startsWith(u'-')) {
        return launch::kFileNotFound;
    }
    const int opened = ownDocument ? OpenDocumentWithDesktop(address) : OpenWithDesktop(address);
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

}  // namespace

QString WithoutMailtoHeaders(const QString& address) {
    const QString trimmed = address.trimmed();
    const QString scheme = u"mailto:"_s;
    if (!trimmed.startsWith(scheme, Qt::CaseInsensitive)) {
        return address;
    }
    // The recipients, percent-encoded anew like the values below; commas keep separating them.
    const auto encode = [](const QString& text, const QByteArray& keep) {
        return QString::fromLatin1(QUrl::toPercentEncoding(QUrl::fromPercentEncoding(text.toUtf8()), keep));
    };
    QString rest = trimmed.mid(scheme.size());
    rest.truncate(rest.indexOf(u'#') < 0 ? rest.size() : rest.indexOf(u'#'));
    const qsizetype query = rest.indexOf(u'?');
    QString result = scheme + encode(query < 0 ? rest : rest.left(query), "@,+");
    if (query < 0) {
        return result;
    }
    QStringList kept;
    for (const QString& field : rest.mid(query + 1).split(u'&')) {
        const qsizetype equals = field.indexOf(u'=');
        const QString name =
            QUrl::fromPercentEncoding((equals < 0 ? field : field.left(equals)).toUtf8()).trimmed().toLower();
        if (name == u"subject"_s || name == u"body"_s || name == u"cc"_s || name == u"bcc"_s) {
            kept << name + u'=' + encode(equals < 0 ? QString() : field.mid(equals + 1), "@,");
        }
    }
    if (!kept.isEmpty()) {
        result += u'?' + kept.join(u'&');
    }
    return result;
}

int OpenWebAddress(const QString& address, int showCommand) {
    Q_UNUSED(showCommand);
    return Launch(WithoutMailtoHeaders(address), false);
}

int OpenOwnDocument(const QString& path, int showCommand) {
    Q_UNUSED(showCommand);
    return Launch(path, true);
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

void SetWebLauncherHook(std::function<int(const QString& address)> hook) {
    LauncherHook() = std::move(hook);
}

void SetXdgMimeProgram(const QString& program) {
    XdgMimeProgram() = program;
}
