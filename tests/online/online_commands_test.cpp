#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cmath>
#include <limits>

#include "loopback_http_server.h"
#include "message_box_answers.h"
#include "online/online_commands.h"
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
    EXPECT_EQ(online::WebHost(), u"www.halvorn.example"_s);
    EXPECT_EQ(online::WebAddress(u"/zelmorahilfe.html"_s), u"http://www.halvorn.example/zelmorahilfe.html"_s);
    for (const QString& good : {u"spiegel.example"_s, u"127.0.0.1:8080"_s, u"[::1]:81"_s}) {
        const CWebHostVariable variable(good);
        EXPECT_EQ(online::WebHost(), good);
    }
    // Nothing else may reach the addresses: user, path, query, fragment, blanks, bad ports.
    for (const QString& bad : {u"evil.example/x?"_s, u"user@evil.example"_s, u"evil.example:99999"_s,
                               u"evil.example?q"_s, u"evil.example#f"_s, u"evil example"_s,
                               u"evil.example:0"_s, u"evil.example\n"_s, u"http://evil.example"_s}) {
        const CWebHostVariable variable(bad);
        EXPECT_EQ(online::WebHost(), u"www.halvorn.example"_s) << bad.toStdString();
    }
}

TEST(VersionNumberTest, ReadsTheLongestDecimalPrefixAsAFloat) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"1.10", 1.1f}, {"1.1\n", 1.1f}, {" \t1.2abc", 1.2f}, {".5", 0.5f},     {"-1.5", -1.5f}, {"+2", 2.0f},
        {"1e1", 10.0f}, {"1e", 1.0f},    {"1.e-1", 0.1f},     {"abc", 0.0f},    {"", 0.0f},      {".", 0.0f},
        {"- 1", 0.0f},  {"0x10", 0.0f},  {"1,5", 1.0f},       {"1e-400", 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(online::VersionNumber(QString::fromLatin1(c.text)), c.value) << c.text;
    }
    EXPECT_EQ(online::VersionNumber(u"1e400"_s), std::numeric_limits<float>::infinity());
    EXPECT_EQ(online::VersionNumber(u"-1e39"_s), -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isfinite(online::VersionNumber(u"3.4e38"_s)));
}

class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() : m_host(m_server.Authority()) {}

    // Runs the check with the version file's text and returns the messages shown; each records
    // how many addresses had been opened before it.
    QStringList Check(const QByteArray& versionFile) {
        m_server.SetResponse(CLoopbackHttpServer::WithLength(versionFile));
        return CheckAgainstServer();
    }
    QStringList CheckAgainstServer() {
        QStringList messages;
        SetMessageBoxAnswer([&](const SMessageBoxCall& call) {
            EXPECT_EQ(call.buttons, QMessageBox::Ok);
            EXPECT_EQ(call.icon, QMessageBox::Warning);
            messages << call.text;
            m_launchesBeforeBox << m_launcher.Addresses().size();
            return QMessageBox::Ok;
        });
        online::CheckForUpdate(nullptr, 2000);
        SetMessageBoxAnswer({});
        return messages;
    }
    QString HelpPage() const { return m_server.Address("/zelmorahilfe.html"); }

    CLoopbackHttpServer m_server;
    CWebHostVariable m_host;
    CWebLaunchRecorder m_launcher;
    QList<qsizetype> m_launchesBeforeBox;
};

TEST_F(UpdateCheckTest, TheSameVersionIsSaidWithTheInstalledText) {
    for (const char* same : {"1.10", "1.1\n", "1.1000000001"}) {
        EXPECT_EQ(Check(same),
                  QStringList{u"Deine Version von Zelmora ist 1.10 das ist auch der aktuelle Stand."_s})
            << same;
    }
    EXPECT_TRUE(m_server.LastRequest().startsWith("GET /zelmoraversion.txt "));
    EXPECT_TRUE(m_launcher.Addresses().isEmpty());
}

TEST_F(UpdateCheckTest, ANewerReleaseOpensTheHelpPageThenSaysWhereToGetIt) {
    EXPECT_EQ(Check("1.2"),
              QStringList{u"Deine Version von Zelmora ist 1.100000  -Jetzt ist die Neue-Version "
                          u"1.200000 verfügbar. Die kannst Du unter "_s +
                          m_server.Authority() + u" laden."_s});
    EXPECT_EQ(m_launcher.Addresses(), QStringList{HelpPage()});
    EXPECT_EQ(m_launchesBeforeBox, QList<qsizetype>{1});
}

TEST_F(UpdateCheckTest, AnOlderOrUnreadableReleaseMeansADeveloperVersion) {
    const auto developer = [](const char* fetched) {
        return QStringList{QString::fromUtf8("Deine Version von Zelmora ist 1.100000 sie ist neuer als die "
                                             "aktuelle Version: %1\nDu benutzt also eine Entwickler version.")
                               .arg(QString::fromLatin1(fetched))};
    };
    EXPECT_EQ(Check("1.05"), developer("1.050000"));
    EXPECT_EQ(Check(""), developer("0.000000"));
    m_server.SetResponse(CLoopbackHttpServer::WithLength("<h1>Not Found</h1>", "404 Not Found"));
    EXPECT_EQ(CheckAgainstServer(), developer("0.000000"));
    EXPECT_TRUE(m_launcher.Addresses().isEmpty());
}

TEST_F(UpdateCheckTest, AFailedFetchSaysSoThenOpensTheHelpPage) {
    const QStringList failed{u"Fehler beim holen der Versions Info."_s};
    // The downloader's failure text, in any letter case, counts as a failed fetch.
    EXPECT_EQ(Check("foo"), failed);
    EXPECT_EQ(Check("FoO"), failed);
    m_server.SetResponse(QByteArray());  // never answers
    EXPECT_EQ(CheckAgainstServer(), failed);
    EXPECT_EQ(m_launcher.Addresses(), (QStringList{HelpPage(), HelpPage(), HelpPage()}));
    EXPECT_EQ(m_launchesBeforeBox, (QList<qsizetype>{0, 1, 2}));
    // "fooo" is a version text like any other.
    EXPECT_EQ(Check("fooo").size(), 1);
    EXPECT_EQ(m_launcher.Addresses().size(), 3);
}

TEST(HelpPageTest, ThePathIsTheProgramFolderASlashAndTheFileName) {
    EXPECT_EQ(online::HelpFilePath(u"/opt/Zel mora/bin/zelmora"_s), u"/opt/Zel mora/bin/zelmorahilfe.html"_s);
    EXPECT_EQ(online::HelpFilePath(u"zelmora"_s), u"/zelmorahilfe.html"_s);
}

TEST(HelpPageTest, TheBuildPutsAWellFormedManualOfEveryMenuCommandNextToTheProgram) {
    // This test is one of the programs in the build's bin folder.
    QFile page(online::HelpFilePath(QCoreApplication::applicationFilePath()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    const QString text = QString::fromUtf8(page.readAll());
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " line " << xml.lineNumber();
    for (const char* command : {"Neu",
                                "Öffnen...",
                                "Speichern",
                                "Speichern unter...",
                                "Drucken...",
                                "Seitenansicht",
                                "Druckereinrichtung...",
                                "Nachricht senden...",
                                "Letzte Datei",
                                "Beenden",
                                "Neue",
                                "Löschen",
                                "Ändern...",
                                "Verdoppeln",
                                "Passwort ändern...",
                                "Seite",
                                "Name",
                                "Passwort",
                                "Kommentar",
                                "Lösche Zwischenablage",
                                "Symbolleiste",
                                "Statusleiste",
                                "Optionen ...",
                                "Refresh",
                                "Hilfe",
                                "Update ...",
                                "Info über Zelmora..."}) {
        EXPECT_TRUE(text.contains(u"<td>"_s + QString::fromUtf8(command) + u"</td>"_s)) << command;
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
    EXPECT_EQ(launcher.Addresses().size(), 2);
    EXPECT_EQ(launcher.Addresses().last(), page);
}

}  // namespace
