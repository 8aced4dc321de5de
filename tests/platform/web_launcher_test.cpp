#include "platform/web_launcher.h"
#include "platform/desktop_entry.h"
#include "platform/desktop_open.h"
#include "platform/handler_command.h"
#include "platform/launch_error.h"

#include "message_box_answers.h"
#include "web_launch_recorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}

const QString kDataFolder = QString::fromUtf8(ZELMORA_TEST_DATA "/view");

// One argument of an Exec line, quoted by the Desktop Entry rules.
QString ExecQuote(QString arg) {
    for (const QChar c : {u'\\', u'"', u'`', u'$'}) {
        arg.replace(c, u"\\"_s + c);
    }
    return u'"' + arg + u'"';
}

void WriteFile(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

// Two XDG data folders of the test's own, a stand-in for xdg-mime and one for the desktop's open.
class HandlerFallback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid() && m_system1.isValid() && m_system2.isValid() && m_work.isValid());
        m_savedHome = qgetenv("XDG_DATA_HOME");
        m_savedDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_system1.path() + u':' + m_system2.path()));
        qputenv("ZELMORA_TEST_XDG_LOG", QFile::encodeName(m_work.filePath(u"xdg.log"_s)));
        qputenv("ZELMORA_TEST_HTML_HANDLER", "zelmora-test-browser.desktop");
        SetXdgMimeProgram(kDataFolder + u"/fake-xdg-mime.sh"_s);
        SetDesktopOpener([this](const QUrl& url) {
            m_opened.append(url);
            return m_bDesktopOpens;
        });
    }

    void TearDown() override {
        SetDesktopOpener({});
        SetXdgMimeProgram(QString());
        qputenv("XDG_DATA_HOME", m_savedHome);
        qputenv("XDG_DATA_DIRS", m_savedDirs);
        qunsetenv("ZELMORA_TEST_XDG_LOG");
        qunsetenv("ZELMORA_TEST_HTML_HANDLER");
    }

    // A desktop entry whose program records its arguments; `tail` follows the recorder and its
    // output file on the Exec line.
    void RegisterHandler(const QTemporaryDir& data, const QString& relativePath, const QString& tail) {
        QString exec =
            ExecQuote(kDataFolder + u"/record-args.sh"_s) + u' ' + ExecQuote(RecordFile()) + u' ' + tail;
        exec.replace(u"\\"_s, u"\\\\"_s);  // the general escape of string values, below the quoting
        WriteFile(data.filePath(u"applications/"_s + relativePath),
                  u"[Desktop Entry]\nType=Application\nName=Testbrowser\nExec="_s + exec +
                      u"\n\n[Desktop Action window]\nName=Fenster\nExec=/bin/false %u\n"_s);
    }

    QString RecordFile() const { return m_work.filePath(u"args"_s); }

    // The arguments the recorder got, after the recorder and its output file.
    QStringList RecordedArguments() {
        if (!QTest::qWaitFor([this] { return QFile::exists(RecordFile()); }, 10000)) {
            return {u"(the handler did not run)"_s};
        }
        QFile file(RecordFile());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList args;
        for (const QByteArray& arg : file.readAll().split('\0')) {
            args.append(QString::fromUtf8(arg));
        }
        args.removeLast();  // after the last terminator
        file.remove();
        return args;
    }

    QString XdgLog() const {
        QFile file(m_work.filePath(u"xdg.log"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_home, m_system1, m_system2, m_work;
    QList<QUrl> m_opened;
    bool m_bDesktopOpens = true;

private:
    QByteArray m_savedHome, m_savedDirs;
};

}  // namespace

TEST(HandlerArguments, CutAtThePlaceholderThenTheAddress) {
    const QString address = u"www.halvorn.example"_s;
    const struct {
        const char16_t* commandTemplate;
        QStringList arguments;  // before the address
    } cases[] = {
        {u"\"C:\\Programme\\Browser\\browser.exe\" -nohome \"%1\"",
         {u"C:\\Programme\\Browser\\browser.exe"_s, u"-nohome"_s}},
        {u"browser %1 --new-window", {u"browser"_s}},     // what follows the placeholder is dropped
        {u"browser -url", {u"browser"_s, u"-url"_s}},     // no placeholder: the whole template
        {u"browser %1 \"%1\"", {u"browser"_s, u"%1"_s}},  // the first quoted one wins
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HandlerArguments(QString::fromUtf16(c.commandTemplate), address),
                  c.arguments + QStringList{address})
            << Std(QString::fromUtf16(c.commandTemplate));
    }
    // The address goes in unchanged: no buffer limit, no quoting.
    const QString longAddress = u"x \"y\" "_s + QString(2000, u'z');
    EXPECT_EQ(HandlerArguments(u"b \"%1\""_s, longAddress), (QStringList{u"b"_s, longAddress}));
}

TEST(HandlerArguments, SplitsTheTemplateByTheDesktopQuotingRules) {
    const QString address = u"a b; $(touch x) \"c\""_s;
    const struct {
        const char16_t* commandTemplate;
        QStringList arguments;  // before the address
    } cases[] = {
        {u"\"/opt/mein browser/run\" --flag \"%1\" --after", {u"/opt/mein browser/run"_s, u"--flag"_s}},
        {u"browser\t-a  -b %1", {u"browser"_s, u"-a"_s, u"-b"_s}},
        {u"b \"q\\\"uote\" \"d\\$x\" \"b\\`t\" \"s\\\\l\" \"k\\eep\"",
         {u"b"_s, u"q\"uote"_s, u"d$x"_s, u"b`t"_s, u"s\\l"_s, u"k\\eep"_s}},
        {u"b pre\"fix post\"fix \"\"", {u"b"_s, u"prefix postfix"_s, QString()}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HandlerArguments(QString::fromUtf16(c.commandTemplate), address),
                  c.arguments + QStringList{address})
            << Std(QString::fromUtf16(c.commandTemplate));
    }
    EXPECT_EQ(HandlerArguments(u"browser \"%1\""_s, QString()), QStringList{u"browser"_s});
    for (const QString& broken : {u"\"unterminated %1"_s, QString(), u"   "_s, u"\"\" -a"_s}) {
        EXPECT_TRUE(HandlerArguments(broken, address).isEmpty()) << Std(broken);
    }
}

TEST(HandlerTemplateFromExec, RewritesTheFieldCodes) {
    const struct {
        const char16_t* exec;
        const char16_t* commandTemplate;
    } cases[] = {
        {u"firefox-esr %u", u"firefox-esr %1"},
        {u"b %U", u"b %1"},
        {u"b %f", u"b %1"},
        {u"b %F", u"b %1"},
        {u"b --icon %i --class %c %k %d %u", u"b --icon  --class    %1"},
        {u"b 100%% %u", u"b 100% %1"},
        {u"b %", u"b %"},
        {u"b", u"b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Std(HandlerTemplateFromExec(QString::fromUtf16(c.exec))),
                  Std(QString::fromUtf16(c.commandTemplate)));
    }
}

TEST(LaunchError, EveryCodeHasItsTextAndUnknownCodesTheirNumber) {
    const std::pair<int, const char*> known[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30,
         "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    CMessageBoxAnswers answers;
    for (const auto& [code, text] : known) {
        const std::string expected = std::string("Unable to open hyperlink:\n\n") + text;
        EXPECT_EQ(Std(LaunchErrorText(code)), expected) << code;
        ShowLaunchError(code);
        ASSERT_FALSE(answers.Calls().empty());
        EXPECT_EQ(Std(answers.Calls().back().text), expected);
    }
    for (const int code : {1, 4, 6, 7, 9, 10, 12, 25, 33, 42, -1, -2147483647 - 1}) {
        ShowLaunchError(code);
        EXPECT_EQ(Std(answers.Calls().back().text),
                  "Unable to open hyperlink:\n\nUnknown Error (" + std::to_string(code) + ") occurred.");
    }
    for (const SMessageBoxCall& call : answers.Calls()) {
        EXPECT_EQ(call.buttons, QMessageBox::Ok);
        EXPECT_EQ(call.icon, QMessageBox::Warning);
    }
}

TEST(WebLaunchRecorder, StandsInForTheWholeLaunch) {
    CWebLaunchRecorder recorder(launch::kNoAssociation);
    EXPECT_EQ(OpenWebAddress(u"mailto:support@halvorn.example"_s), launch::kNoAssociation);
    recorder.SetResult(launch::kSucceeded);
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kSucceeded);
    EXPECT_EQ(recorder.Addresses(),
              (QStringList{u"mailto:support@halvorn.example"_s, u"www.halvorn.example"_s}));
}

TEST_F(HandlerFallback, AddressWithASchemeOrAnExistingFileOpensOnTheDesktopAlone) {
    RegisterHandler(m_home, u"zelmora-test-browser.desktop"_s, u"%u"_s);
    QFile local(m_work.filePath(u"hilfe seite.html"_s));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.close();
    for (const QString& address : {u"http://www.halvorn.example/"_s, u"HTTPS://www.halvorn.example/a b"_s,
                                   u"ftp://ftp.halvorn.example/"_s, u"mailto:support@halvorn.example"_s,
                                   QUrl::fromLocalFile(local.fileName()).toString(), local.fileName()}) {
        m_opened.clear();
        EXPECT_GT(OpenWebAddress(address), 32) << Std(address);
        ASSERT_EQ(m_opened.size(), 1) << Std(address);
    }
    EXPECT_EQ(Std(m_opened.first().toLocalFile()), Std(local.fileName()));
    EXPECT_TRUE(XdgLog().isEmpty());  // no handler lookup
    EXPECT_FALSE(QFile::exists(RecordFile()));
}

TEST_F(HandlerFallback, DesktopFailureWithoutHandlerGivesTheDesktopsCode) {
    qputenv("ZELMORA_TEST_HTML_HANDLER", "");
    m_bDesktopOpens = false;
    EXPECT_EQ(OpenWebAddress(u"http://www.halvorn.example/"_s), launch::kNoAssociation);
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kFileNotFound);
    EXPECT_EQ(OpenWebAddress(u"file:///gibt/es/nicht.html"_s), launch::kFileNotFound);
    EXPECT_EQ(m_opened.size(), 1);  // neither a bare name nor a missing file is offered to the desktop
    EXPECT_EQ(Std(XdgLog()), "query default text/html\nquery default text/html\nquery default text/html\n");
}

TEST_F(HandlerFallback, BareHostNameStartsTheHandlerWithTheAddress) {
    RegisterHandler(m_home, u"zelmora-test-browser.desktop"_s, u"--flag %u --after"_s);
    EXPECT_GT(OpenWebAddress(u"www.halvorn.example"_s), 31);
    EXPECT_EQ(RecordedArguments(), (QStringList{u"--flag"_s, u"www.halvorn.example"_s}));
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_EQ(Std(XdgLog()), "query default text/html\n");
}

// No shell sees the address: whatever it holds arrives as one argument and runs nothing.
TEST_F(HandlerFallback, EveryAddressArrivesAsExactlyOneArgument) {
    RegisterHandler(m_home, u"zelmora-test-browser.desktop"_s, u"--flag \"%u\""_s);
    // Should a shell ever run it, the address only leaves marker files behind.
    const QString marker = m_work.filePath(u"ran"_s);
    m_bDesktopOpens = false;
    const QString addresses[] = {
        u"www.halvorn.example/a b \"c\" 'd' ; touch "_s + marker + u"1 $(touch "_s + marker +
            u"2) `touch "_s + marker + u"3` | touch "_s + marker + u"4 & touch "_s + marker + u"5 > "_s +
            marker + u"6"_s,
        u"x --new-instance"_s,
        u" --new-instance"_s,
        u"%1 %u \\ \\\" \u00E4\u20AC"_s,
        u"http://www.halvorn.example/?q=a;b&c=$(id)"_s,
        u"www.halvorn.example/"_s + QString(5000, u'w'),
    };
    for (const QString& address : addresses) {
        EXPECT_GT(OpenWebAddress(address), 31) << Std(address);
        EXPECT_EQ(RecordedArguments(), (QStringList{u"--flag"_s, address})) << Std(address);
    }
    for (const QString& left : QDir(m_work.path()).entryList({u"ran*"_s}, QDir::Files)) {
        ADD_FAILURE() << "a shell ran part of an address: " << Std(left);
    }
}

// A site name comes from a vault that anyone may have sent: it must not become an option of the
// handler, nor a program or desktop entry that the desktop runs.
TEST_F(HandlerFallback, HostileAddressesStartNothing) {
    RegisterHandler(m_home, u"zelmora-test-browser.desktop"_s, u"--flag %u"_s);
    m_bDesktopOpens = false;
    const QString marker = m_work.filePath(u"ran"_s);
    for (const QString& address :
         {u"--renderer-cmd-prefix=touch "_s + marker, u"-"_s, u"-- x"_s, u"-new-instance"_s}) {
        EXPECT_EQ(OpenWebAddress(address), launch::kFileNotFound) << Std(address);
        EXPECT_TRUE(HandlerArguments(u"browser %u"_s, address).isEmpty()) << Std(address);
    }

    const QString program = m_work.filePath(u"seite"_s);
    WriteFile(program, u"#!/bin/sh\ntouch "_s + marker + u"\n"_s);
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString entry = u"[Desktop Entry]\nType=Application\nName=x\nExec=touch "_s + marker + u"\n"_s;
    WriteFile(m_work.filePath(u"eintrag.desktop"_s), entry);
    WriteFile(m_work.filePath(u"eintrag"_s), entry);  // known by its content alone
    ASSERT_TRUE(QFile::link(m_work.filePath(u"eintrag.desktop"_s), m_work.filePath(u"seite.html"_s)));
    for (const QString& name : {u"seite"_s, u"eintrag.desktop"_s, u"eintrag"_s, u"seite.html"_s}) {
        const QString path = m_work.filePath(name);
        EXPECT_EQ(OpenWebAddress(path), launch::kAccessDenied) << Std(path);
        EXPECT_EQ(OpenWebAddress(QUrl::fromLocalFile(path).toString()), launch::kAccessDenied) << Std(path);
    }
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_TRUE(XdgLog().isEmpty()) << "no handler is even looked up";
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_FALSE(QFile::exists(RecordFile()));
}

TEST_F(HandlerFallback, EntryIsFoundByItsDesktopFileIdInTheDataFoldersInOrder) {
    // "zelmora-test-browser.desktop" may stand in a subfolder "zelmora" or "zelmora/test".
    RegisterHandler(m_system2, u"zelmora/test/browser.desktop"_s, u"--second %U"_s);
    QString commandTemplate;
    ASSERT_EQ(ReadHtmlHandlerTemplate(commandTemplate), 0);
    EXPECT_TRUE(commandTemplate.endsWith(u" --second %1"_s)) << Std(commandTemplate);

    RegisterHandler(m_system1, u"zelmora/test-browser.desktop"_s, u"--icon %i %c %k 100%% %F --after"_s);
    ASSERT_EQ(ReadHtmlHandlerTemplate(commandTemplate), 0);
    EXPECT_TRUE(commandTemplate.endsWith(u" --icon    100% %1 --after"_s)) << Std(commandTemplate);
    EXPECT_GT(OpenWebAddress(u"www.halvorn.example"_s), 31);
    EXPECT_EQ(RecordedArguments(), (QStringList{u"--icon"_s, u"100%"_s, u"www.halvorn.example"_s}));

    RegisterHandler(m_home, u"zelmora-test-browser.desktop"_s, u"--home %f"_s);
    ASSERT_EQ(ReadHtmlHandlerTemplate(commandTemplate), 0);
    EXPECT_EQ(Std(commandTemplate), Std(ExecQuote(kDataFolder + u"/record-args.sh"_s) + u' ' +
                                        ExecQuote(RecordFile()) + u" --home %1"_s));
}

TEST_F(HandlerFallback, HandlerThatCannotStartGivesTheStartsCode) {
    const QString entry = m_home.filePath(u"applications/zelmora-test-browser.desktop"_s);
    WriteFile(entry, u"[Desktop Entry]\nExec=\"/gibt/es/nicht/browser\" %u\n"_s);
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kFileNotFound);
    WriteFile(entry, u"[Desktop Entry]\nExec=zelmora-no-such-browser %u\n"_s);
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kFileNotFound);
    WriteFile(entry, u"[Desktop Entry]\nExec="_s + ExecQuote(entry) + u" %u\n"_s);  // not executable
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kAccessDenied);
}

TEST_F(HandlerFallback, NoUsableHandlerGivesTheDesktopsCode) {
    const QString entry = m_home.filePath(u"applications/zelmora-test-browser.desktop"_s);
    QString commandTemplate = u"unchanged"_s;
    m_bDesktopOpens = false;

    WriteFile(entry, u"[Desktop Entry]\nName=ohne Programm\n[Desktop Action x]\nExec=/bin/true %u\n"_s);
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kFileNotFound);
    EXPECT_NE(ReadHtmlHandlerTemplate(commandTemplate), 0);

    WriteFile(entry, u"[Desktop Entry]\nExec=\"/bin/true %u\n"_s);  // unterminated quote
    EXPECT_EQ(OpenWebAddress(u"https://www.halvorn.example/"_s), launch::kNoAssociation);

    qputenv("ZELMORA_TEST_HTML_HANDLER", "../applications/zelmora-test-browser.desktop");
    EXPECT_NE(ReadHtmlHandlerTemplate(commandTemplate), 0);

    SetXdgMimeProgram(m_work.filePath(u"no-xdg-mime"_s));
    EXPECT_EQ(OpenWebAddress(u"www.halvorn.example"_s), launch::kFileNotFound);
    EXPECT_EQ(Std(commandTemplate), "unchanged");
}
