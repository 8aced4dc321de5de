#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <limits>

#include "loopback_http_server.h"
#include "message_box_answers.h"
#include "online/online_commands.h"
#include "platform/desktop_open.h"
#include "qt_printers.h"
#include "web_launch_recorder.h"

using namespace Qt::StringLiterals;

namespace {

// Sets ZELMORA_WEB_HOST while it lives.
class CWebHostVariable {
public:
    explicit CWebHostVariable(const QString& value) { qputenv("ZELMORA_WEB_HOST", value.toUtf8()); }
    ~CWebHostVariable() { qunsetenv("ZELMORA_WEB_HOST"); }
    CWebHostVariable(const CWebHostVariable&) = delete;
    CWebHostVariable& operator=(const CWebHostVariable&) = delete;
};

TEST(WebHostTest, TheVariableReplacesTheHostOnlyWhenItIsAHostAndPort) {
    EXPECT_EQ(online::WebAddress(u"/zelmorahilfe.html"_s), u"http://www.halvorn.example/zelmorahilfe.html"_s);
    for (const QString& good : {u"spiegel.example"_s, u"127.0.0.1:8080"_s, u"[::1]:81"_s}) {
        const CWebHostVariable variable(good);
        EXPECT_EQ(online::WebHost(), good);
    }
    // Nothing else may reach the addresses: user, path, query, fragment, blanks, bad ports.
    for (const QString& bad :
         {u"evil.example/x?"_s, u"user@evil.example"_s, u"evil.example:99999"_s, u"evil.example#f"_s,
          u"evil example"_s, u"evil.example:0"_s, u"evil.example\n"_s, u"http://evil.example"_s}) {
        const CWebHostVariable variable(bad);
        EXPECT_EQ(online::WebHost(), u"www.halvorn.example"_s) << bad.toStdString();
    }
}

TEST(VersionNumberTest, ReadsTheLongestDecimalPrefixAsAFloat) {
    const struct {
        const char* text;
        float value;
    } cases[] = {{"1.1\n", 1.1f}, {" \t1.2abc", 1.2f}, {".5", 0.5f}, {"-1.5", -1.5f}, {"1e1", 10.0f},
                 {"1e", 1.0f},    {"abc", 0.0f},       {".", 0.0f},  {"0x10", 0.0f},  {"1,5", 1.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(online::VersionNumber(QString::fromLatin1(c.text)), c.value) << c.text;
    }
    // Out of float's range: infinity, as the rounding gives, never undefined behaviour.
    EXPECT_EQ(online::VersionNumber(u"1e400"_s), std::numeric_limits<float>::infinity());
    EXPECT_EQ(online::VersionNumber(u"-1e39"_s), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(online::VersionNumber(u"1e-400"_s), 0.0f);
}

TEST(UpdateCheckTest, TheFourMessagesAndWhenTheHelpPageOpens) {
    CLoopbackHttpServer server;
    const CWebHostVariable host(server.Authority());
    const QString helpPage = server.Address("/zelmorahilfe.html");
    const QString same = u"Deine Version von Zelmora ist 1.10 das ist auch der aktuelle Stand."_s;
    const QString newer =
        u"Deine Version von Zelmora ist 1.100000  -Jetzt ist die Neue-Version 1.200000 "
        u"verfügbar. Die kannst Du unter "_s +
        server.Authority() + u" laden."_s;
    const QString developer =
        u"Deine Version von Zelmora ist 1.100000 sie ist neuer als die aktuelle Version: "
        u"%1\nDu benutzt also eine Entwickler version."_s;
    const QString failed = u"Fehler beim holen der Versions Info."_s;
    const QByteArray silent;  // accepts and never answers
    const struct {
        QByteArray response;
        QString message;
        int opensBefore, opensAfter;  // help pages opened before and after the message
    } cases[] = {
        {CLoopbackHttpServer::WithLength("1.10"), same, 0, 0},
        {CLoopbackHttpServer::WithLength("1.1\n"), same, 0, 0},
        {CLoopbackHttpServer::WithLength("1.2"), newer, 1, 1},
        {CLoopbackHttpServer::WithLength("1.05"), developer.arg(u"1.050000"_s), 0, 0},
        {CLoopbackHttpServer::WithLength(""), developer.arg(u"0.000000"_s), 0, 0},
        {CLoopbackHttpServer::WithLength("nope", "404 Not Found"), developer.arg(u"0.000000"_s), 0, 0},
        // The downloader's failure text, in any letter case, is a failed fetch.
        {CLoopbackHttpServer::WithLength("FoO"), failed, 0, 1},
        {silent, failed, 0, 1},
    };
    for (const auto& c : cases) {
        const CWebLaunchRecorder launcher;
        QStringList messages;
        qsizetype opensBefore = -1;
        SetMessageBoxAnswer([&](const SMessageBoxCall& call) {
            EXPECT_EQ(call.buttons, QMessageBox::Ok);
            EXPECT_EQ(call.icon, QMessageBox::Warning);
            messages << call.text;
            opensBefore = launcher.Addresses().size();
            return QMessageBox::Ok;
        });
        server.SetResponse(c.response);
        online::CheckForUpdate(nullptr, 1000);
        SetMessageBoxAnswer({});
        EXPECT_EQ(messages, QStringList{c.message}) << c.response.toStdString();
        EXPECT_EQ(opensBefore, c.opensBefore) << c.response.toStdString();
        EXPECT_EQ(launcher.Addresses(), QStringList(c.opensAfter, helpPage)) << c.response.toStdString();
    }
    EXPECT_TRUE(server.LastRequest().startsWith("GET /zelmoraversion.txt "));
}

TEST(HelpPageTest, TheBuildPutsAWellFormedManualOfEveryMenuCommandNextToTheProgram) {
    EXPECT_EQ(online::HelpFilePath(u"/opt/Zel mora/bin/zelmora"_s), u"/opt/Zel mora/bin/zelmorahilfe.html"_s);
    EXPECT_EQ(online::HelpFilePath(u"zelmora"_s), u"/zelmorahilfe.html"_s);
    // This test is one of the programs in the build's bin folder.
    QFile page(online::HelpFilePath(QCoreApplication::applicationFilePath()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    const QString text = QString::fromUtf8(page.readAll());
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " line " << xml.lineNumber();
    const QString commands =
        u"Neu|Öffnen...|Speichern|Speichern unter...|Als KDBX "
        u"exportieren...|Drucken...|Seitenansicht|Druckereinrichtung...|"
        u"Nachricht senden...|Letzte Datei|Beenden|Neue|Löschen|Ändern...|Verdoppeln|Passwort "
        u"ändern...|Seite|"
        u"Name|Passwort|Kommentar|Lösche Zwischenablage|Symbolleiste|Statusleiste|Optionen ...|Refresh|Hilfe|"
        u"Update ...|Info über Zelmora..."_s;
    for (const QString& command : commands.split(u'|')) {
        EXPECT_TRUE(text.contains(u"<td>"_s + command + u"</td>"_s)) << command.toStdString();
    }
}

TEST(HelpPageTest, TheLocalPageOpensOrTheQuestionOffersTheWebCopy) {
    const CWebHostVariable host(u"127.0.0.1:8080"_s);
    const CWebLaunchRecorder launcher;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = folder.filePath(u"zelmora"_s);
    const QString page = folder.filePath(u"zelmorahilfe.html"_s);
    {
        const CMessageBoxAnswers boxes{QMessageBox::No, QMessageBox::Yes};
        online::ShowHelp(nullptr, program);  // missing: No
        online::ShowHelp(nullptr, program);  // missing: Yes
        ASSERT_EQ(boxes.Calls().size(), 2u);
        EXPECT_EQ(boxes.Calls()[0].text,
                  u"Kann die ZELMORAHILFE.HTML Datei nicht finden, sie muß sein in: \""_s + page +
                      u"\"\n\nWillst Du im Internet danach suchen?"_s);
        EXPECT_EQ(boxes.Calls()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(boxes.Calls()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(launcher.Addresses(), QStringList{u"http://127.0.0.1:8080/zelmorahilfe.html"_s});
    }
    // A folder of that name is not the page either.
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"zelmorahilfe.html"_s));
    {
        const CMessageBoxAnswers boxes;
        online::ShowHelp(nullptr, program);
        EXPECT_EQ(boxes.Calls().size(), 1u);
    }
    ASSERT_TRUE(QDir(folder.path()).rmdir(u"zelmorahilfe.html"_s));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const CMessageBoxAnswers boxes;
    online::ShowHelp(nullptr, program);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_EQ(launcher.Addresses(), (QStringList{u"http://127.0.0.1:8080/zelmorahilfe.html"_s, page}));
}

}  // namespace

namespace {

TEST(HelpPageTest, AnExecutableCopyOfThePageOpensAsADocumentAndAFailedOpenSaysWhy) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = folder.filePath(u"zelmora"_s);
    const QString page = folder.filePath(u"zelmorahilfe.html"_s);
    {
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body>Hilfe</body></html>\n");
    }
    // As a FAT stick, a Windows share or an unzip tool leaves it.
    ASSERT_TRUE(QFile::setPermissions(page, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther));
    QList<QUrl> opened;
    bool desktopOpens = true;
    SetDesktopOpener([&](const QUrl& url) {
        opened << url;
        return desktopOpens;
    });
    // No HTML handler behind the desktop: the stand-in for xdg-mime names none.
    SetXdgMimeProgram(QStringLiteral(ZELMORA_TEST_DATA "/view/fake-xdg-mime.sh"));
    qunsetenv("ZELMORA_TEST_HTML_HANDLER");
    {
        const CMessageBoxAnswers boxes;
        online::ShowHelp(nullptr, program);
        EXPECT_TRUE(boxes.Calls().empty());
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(page)});
    }
    {
        desktopOpens = false;
        const CMessageBoxAnswers boxes;
        online::ShowHelp(nullptr, program);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text, u"Die Hilfe \""_s + page +
                                             u"\" konnte nicht geöffnet werden: Für HTML-Seiten ist kein "
                                             u"Programm eingerichtet."_s);
    }
    // The same file named by a vault is still a program that is not started.
    opened.clear();
    desktopOpens = true;
    EXPECT_EQ(OpenWebAddress(page, 5), launch::kAccessDenied);
    EXPECT_TRUE(opened.isEmpty());
    SetXdgMimeProgram(QString());
    SetDesktopOpener({});
}

}  // namespace
