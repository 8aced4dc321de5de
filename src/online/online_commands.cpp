#include "online/online_commands.h"

#include "online/web_session.h"
#include "platform/c_number.h"
#include "platform/launch_error.h"
#include "platform/message_box.h"
#include "platform/product.h"
#include "platform/web_launcher.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QUrl>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace online {

namespace {

constexpr int kShowNormal = 5;
constexpr const char* kFailureText = "FOO";

// clang-format off
constexpr const char* kNewerRelease = "Deine Version von Zelmora ist %0f  -Jetzt ist die Neue-Version %0f verfügbar. Die kannst Du unter ";
constexpr const char* kSameVersion = "Deine Version von Zelmora ist %s das ist auch der aktuelle Stand.";
constexpr const char* kDeveloperVersion = "Deine Version von Zelmora ist %0f sie ist neuer als die aktuelle Version: %0f\nDu benutzt also eine Entwickler version.";
// clang-format on

QString HelpWebAddress() {
    return WebAddress(QString::fromLatin1(kHelpFilePath));
}

// Equal when only the letters A to Z differ in case.
bool EqualsIgnoringAsciiCase(const QString& a, const char* b) {
    const QString other = QString::fromLatin1(b);
    if (a.size() != other.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = other.at(i).unicode();
        x = (x >= u'a' && x <= u'z') ? char16_t(x - 32) : x;
        y = (y >= u'a' && y <= u'z') ? char16_t(y - 32) : y;
        if (x != y) {
            return false;
        }
    }
    return true;
}

// Why the help page did not open, for the message.
QString HelpOpenFailure(int result) {
    switch (result) {
        case launch::kFileNotFound:
        case launch::kPathNotFound:
            return u"Das Programm zum Anzeigen wurde nicht gefunden."_s;
        case launch::kAccessDenied:
            return u"Das Programm zum Anzeigen darf nicht gestartet werden."_s;
        case launch::kNoAssociation:
            return u"Für HTML-Seiten ist kein Programm eingerichtet."_s;
        default:
            return u"Der Start des Programms zum Anzeigen ist fehlgeschlagen (Fehler %1)."_s.arg(result);
    }
}

}  // namespace

QString WebHost() {
    QString fallback = QUrl(QString::fromLatin1(product::kWebAddress)).authority();
    const QString value = qEnvironmentVariable("ZELMORA_WEB_HOST");
    if (value.isEmpty()) {
        return fallback;
    }
    // Only a host and a port: no user, path, query or fragment can be slipped into the addresses.
    const QUrl url(u"http://"_s + value + u"/"_s, QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty() && url.userInfo().isEmpty() && url.path() == u"/"_s &&
        !url.hasQuery() && !url.hasFragment() && url.port() != 0) {
        return url.authority();
    }
    qWarning("ZELMORA_WEB_HOST is not a host or host:port; the built-in web host is used");
    return fallback;
}

QString WebAddress(const QString& path) {
    return u"http://"_s + WebHost() + path;
}

float VersionNumber(const QString& text) {
    // Read as atof reads it: the list's decimal columns use the very same reader.
    const double value = cnumber::ReadDecimal(text);
    // Rounded to single precision; beyond float's range that is infinity (or its largest value
    // within half a step of it), never an out-of-range conversion.
    if (std::fabs(value) > FLT_MAX) {
        const float limit = std::fabs(value) < double(FLT_MAX) + std::ldexp(1.0, 103)
                                ? FLT_MAX
                                : std::numeric_limits<float>::infinity();
        return value < 0 ? -limit : limit;
    }
    return static_cast<float>(value);
}

void CheckForUpdate(QWidget* parentWindow, int stallMilliseconds) {
    // The fetch runs other events: the window may be closed and gone when the answer comes.
    const QPointer<QWidget> parent(parentWindow);
    CWebSession session(parent);
    session.SetFailureText(QString::fromLatin1(kFailureText));
    session.SetStallTimeout(stallMilliseconds);
    const QString fetched = session.Fetch(WebAddress(QString::fromLatin1(kVersionPath)));
    if (EqualsIgnoringAsciiCase(fetched, kFailureText)) {
        ZMessageBox(u"Fehler beim holen der Versions Info."_s, QMessageBox::Ok, QMessageBox::NoIcon, parent);
        OpenWebAddress(HelpWebAddress(), kShowNormal);
        return;
    }
    const float fetchedVersion = VersionNumber(fetched);
    const float installedVersion = VersionNumber(QString::fromLatin1(kInstalledVersion));
    if (installedVersion < fetchedVersion) {
        const QString message =
            QString::asprintf(kNewerRelease, double(installedVersion), double(fetchedVersion)) + WebHost() +
            u" laden."_s;
        OpenWebAddress(HelpWebAddress(), kShowNormal);
        ZMessageBox(message, QMessageBox::Ok, QMessageBox::NoIcon, parent);
    } else if (installedVersion == fetchedVersion) {
        ZMessageBox(QString::asprintf(kSameVersion, kInstalledVersion), QMessageBox::Ok, QMessageBox::NoIcon,
                    parent);
    } else {
        ZMessageBox(QString::asprintf(kDeveloperVersion, double(installedVersion), double(fetchedVersion)),
                    QMessageBox::Ok, QMessageBox::NoIcon, parent);
    }
}

QString HelpFilePath(const QString& programPath) {
    qsizetype cut = programPath.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    cut = qMax(cut, programPath.lastIndexOf(u'\\'));
#endif
    const QString folder = cut < 0 ? QString() : programPath.left(cut);
    return folder + QString::fromLatin1(kHelpFilePath);
}

void ShowHelp(QWidget* parent, const QString& programPath) {
    const QString helpPath =
        HelpFilePath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath);
    QFile file(helpPath);
    if (file.open(QIODevice::ReadOnly)) {
        file.close();
        // The program's own page, opened as a document even where its copy is marked executable.
        const int result = OpenOwnDocument(helpPath, kShowNormal);
        if (result <= 32) {
            ZMessageBox(u"Die Hilfe \""_s + helpPath + u"\" konnte nicht geöffnet werden: "_s +
                            HelpOpenFailure(result),
                        QMessageBox::Ok, QMessageBox::NoIcon, parent);
        }
        return;
    }
    const QString question = u"Kann die ZELMORAHILFE.HTML Datei nicht finden, sie muß sein in: "_s + u'"' +
                             helpPath + u'"' + u"\n\nWillst Du im Internet danach suchen?"_s;
    if (ZMessageBox(question, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon, parent) ==
        QMessageBox::Yes) {
        OpenWebAddress(HelpWebAddress(), kShowNormal);
    }
}

}  // namespace online
