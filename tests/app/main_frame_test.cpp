// The main window: its commands, tool bar and status bar, its placement between runs, the close
// request, the recent file, and the command line.
#include "app_test_support.h"

#include "app/command_actions.h"
#include "app/command_line.h"
#include "app/zelmora_app.h"
#include "platform/recent_file_list.h"
#include "platform/settings_store.h"
#include "resources/resource_ids.h"

#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

class MainFrameTest : public AppTest {};

TEST_F(MainFrameTest, ToolBarHasThirteenButtonsAndTheLockInSevenGroupsWithTheirPrompts) {
    auto* bar = Frame().findChild<QToolBar*>(u"toolBar"_s);
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    int groups = 1;
    QStringList tips;
    // Ours: behind the last group, a separator and the search field, which are no buttons.
    QList<QAction*> actions = bar->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(bar->widgetForAction(actions.last())->objectName(), u"searchField"_s);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    actions.resize(actions.size() - 2);
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            ++groups;
        } else {
            ++buttons;
            tips << action->toolTip();
        }
    }
    // The lock joins the password change, which has a key now; the padlock is the lock's.
    EXPECT_EQ(buttons, 14);
    EXPECT_EQ(groups, 7);
    EXPECT_EQ(tips[9], u"Tresor sperren"_s);
    EXPECT_EQ(tips[10], u"Passwort ändern/setzen"_s);
    EXPECT_EQ(Action(zid::ID_FILE_LOCK)->shortcut(), QKeySequence(u"Ctrl+L"_s));
    EXPECT_EQ(tips[1], u"Neues Dokument"_s);
    EXPECT_EQ(tips[3], u"Speichern unter"_s) << "the save button saves under a new name";

    // Hovering shows the prompt; leaving brings back the idle text.
    QStatusTipEvent hover(bar->actions()[2]->statusTip());
    QApplication::sendEvent(&Frame(), &hover);
    EXPECT_EQ(Frame().MessageText(), u"Erstellt eine neue Datei."_s);
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(&Frame(), &leave);
    EXPECT_EQ(Frame().MessageText(), u"Bereit"_s);
}

TEST_F(MainFrameTest, MenusCarryTheCommandsWithTheirKeys) {
    QStringList titles;
    for (QAction* menu : Frame().menuBar()->actions()) {
        titles << menu->text();
    }
    EXPECT_EQ(titles, QStringList({u"&Datei"_s, u"&Eintrag"_s, u"&Kopiere"_s, u"&Ansicht"_s, u"&?"_s}));
    EXPECT_EQ(Action(zid::ID_COPY_SEITE)->shortcuts(),
              QList<QKeySequence>({QKeySequence(u"Ctrl+C"_s), QKeySequence(u"Ctrl+Ins"_s)}));
    EXPECT_TRUE(Action(zid::ID_REFRESH)->shortcuts().isEmpty()) << "F5 is shown but not bound";
    EXPECT_EQ(Action(zid::ID_ENTRY_NEW)->text(), u"&Neue\tF2"_s);
    EXPECT_EQ(Action(zid::ID_APP_EXIT)->shortcut(), QKeySequence(u"Ctrl+B"_s));
}

TEST_F(MainFrameTest, RecentFileItemIsDisabledWhileEmptyAndShowsTheShortenedPath) {
    EXPECT_FALSE(Action(zid::ID_FILE_MRU_FILE1)->isEnabled());
    EXPECT_EQ(Action(zid::ID_FILE_MRU_FILE1)->text(), u"Letzte Datei"_s);
    const QString vault = Path(u"ein-recht-langer-name-fuer-den-tresor.zlm"_s);
    WriteVault(vault, {}, "");
    ASSERT_TRUE(Doc().OpenDocumentFile(vault));
    Frame().UpdateCommandUI();
    EXPECT_TRUE(Action(zid::ID_FILE_MRU_FILE1)->isEnabled());
    EXPECT_EQ(Action(zid::ID_FILE_MRU_FILE1)->text(), u"&1 ein-recht-langer-name-fuer-den-tresor.zlm"_s);

    EXPECT_EQ(CRecentFileList::Abbreviate(u"/home/anna/Dokumente/Tresore/privat/bank.zlm"_s, 30),
              u"/home/.../privat/bank.zlm"_s);
    EXPECT_EQ(CRecentFileList::Abbreviate(u"/home/anna/t.zlm"_s, 30), u"/home/anna/t.zlm"_s);
    Doc().RecentFiles().WriteList();
    EXPECT_EQ(CSettingsStore::ReadString(settings::kSectionRecentFiles, settings::kRecentFile1), vault);
}

TEST_F(MainFrameTest, PlacementIsRestoredOnceAndWrittenBackUnchanged) {
    using namespace settings;
    CSettingsStore::WriteInt(kSectionWndStatus, kLeft, 120);
    CSettingsStore::WriteInt(kSectionWndStatus, kTop, 90);
    CSettingsStore::WriteInt(kSectionWndStatus, kRight, 620);
    CSettingsStore::WriteInt(kSectionWndStatus, kBottom, 490);
    Frame().ActivateFrame(5);
    EXPECT_EQ(Frame().geometry(), QRect(120, 90, 500, 400));
    Frame().SavePlacement();
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kLeft, 0), 120);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kTop, 0), 90);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kRight, 0), 620);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kBottom, 0), 490);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kShowCmd, 0), 1);

    // Later activations leave the window where it is.
    CSettingsStore::WriteInt(kSectionWndStatus, kLeft, 300);
    Frame().ActivateFrame(5);
    EXPECT_EQ(Frame().geometry().left(), 120);
}

// Placements from another screen, another scale or another hand.
class PlacementFitTest : public MainFrameTest, public ::testing::WithParamInterface<std::array<int, 4>> {};

TEST_P(PlacementFitTest, AStoredPlacementIsMovedAndShrunkOntoTheScreenAndWrittenBackSo) {
    using namespace settings;
    const std::array<int, 4> stored = GetParam();
    CSettingsStore::WriteInt(kSectionWndStatus, kLeft, stored[0]);
    CSettingsStore::WriteInt(kSectionWndStatus, kTop, stored[1]);
    CSettingsStore::WriteInt(kSectionWndStatus, kRight, stored[2]);
    CSettingsStore::WriteInt(kSectionWndStatus, kBottom, stored[3]);
    Frame().ActivateFrame(5);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect window = Frame().geometry();
    EXPECT_TRUE(screen.contains(window))
        << window.x() << "," << window.y() << " " << window.width() << "x" << window.height();
    // Room above the window for a title bar to grab.
    EXPECT_GE(window.top() - screen.top(), 16);
    Frame().SavePlacement();
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kLeft, 0), window.left());
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kTop, 0), window.top());
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kRight, 0), window.left() + window.width());
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kBottom, 0), window.top() + window.height());
}

INSTANTIATE_TEST_SUITE_P(
    Stored, PlacementFitTest,
    ::testing::Values(std::array<int, 4>{5000, 4000, 5600, 4400},        // far off to the right and below
                      std::array<int, 4>{-3000, -200, -2400, 200},       // left of the screen, title above
                      std::array<int, 4>{100, 100, 16777215, 16777215},  // a window of 4 GB
                      std::array<int, 4>{INT_MIN, INT_MIN, INT_MAX, INT_MAX},  // right - left overflows
                      std::array<int, 4>{100, 100, 1300, 900}));               // saved at half the scale

TEST_F(MainFrameTest, AMaximisedWindowKeepsItsNormalRectangleApart) {
    using namespace settings;
    CSettingsStore::WriteInt(kSectionWndStatus, kShowCmd, 3);
    Frame().ActivateFrame(5);
    EXPECT_TRUE(Frame().isMaximized());
    Frame().SavePlacement();
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kShowCmd, 0), 3);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kLeft, 0), 100);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kRight, 0), 700);
    EXPECT_EQ(CSettingsStore::ReadInt(kSectionWndStatus, kBottom, 0), 500);
}

TEST_F(MainFrameTest, ClosingWritesThePlacementFirstAndCancelKeepsTheWindow) {
    Frame().ActivateFrame(5);
    Doc().AddEntry("a", "b", "c", "d");
    m_boxes.Reply(QMessageBox::Cancel);
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(BoxTexts(), QStringList(u"Änderungen in Unbenannt speichern?"_s));
    EXPECT_EQ(CSettingsStore::ReadInt(settings::kSectionWndStatus, settings::kShowCmd, 0), 1);
    EXPECT_TRUE(Frame().isVisible());

    // Ja saves through the framework's own save, which asks before replacing a file.
    const QString existing = Path(u"Da.zlm"_s);
    WriteVault(existing, {}, "");
    m_boxes.Reply(QMessageBox::Yes);
    m_boxes.Reply(QMessageBox::Yes);
    CModalDriver driver{ChooseFile(existing)};
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(BoxTexts().last(),
              u"%1 ist bereits vorhanden.\nSoll die Datei ersetzt werden?"_s.arg(existing));
    EXPECT_EQ(ReadVault(existing, "").size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(existing + u".bak"_s)) << "that save writes no copy";
}

TEST_F(MainFrameTest, BarsToggleWithTicksAndTheirStateIsKept) {
    Frame().ActivateFrame(5);
    QAction* toolBar = Action(zid::ID_VIEW_TOOLBAR);
    EXPECT_TRUE(toolBar->isChecked());
    toolBar->trigger();
    EXPECT_FALSE(Frame().findChild<QToolBar*>(u"toolBar"_s)->isVisible());
    EXPECT_FALSE(toolBar->isChecked());
    Frame().SavePlacement();

    CZelmoraDoc doc;
    CMainFrame next(doc);
    next.ActivateFrame(5);
    EXPECT_FALSE(next.findChild<QToolBar*>(u"toolBar"_s)->isVisible());
    EXPECT_FALSE(next.Actions().Get(zid::ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_TRUE(next.Actions().Get(zid::ID_VIEW_STATUS_BAR)->isChecked());

    // The status bar's state is kept just the same.
    next.Actions().Get(zid::ID_VIEW_STATUS_BAR)->trigger();
    EXPECT_FALSE(next.statusBar()->isVisible());
    next.SavePlacement();
    CZelmoraDoc third;
    CMainFrame after(third);
    after.ActivateFrame(5);
    EXPECT_FALSE(after.statusBar()->isVisible());
    EXPECT_FALSE(after.Actions().Get(zid::ID_VIEW_STATUS_BAR)->isChecked());
    EXPECT_FALSE(after.findChild<QToolBar*>(u"toolBar"_s)->isVisible());
}

TEST(CommandLineTest, ReadsPathsAndWindowsStyleSwitches) {
    using A = SCommandLine::EAction;
    EXPECT_EQ(ParseCommandLine({}).action, A::kNew);
    const SCommandLine open = ParseCommandLine({u"/home/a/t.zlm"_s});
    EXPECT_EQ(open.action, A::kOpen);
    EXPECT_EQ(open.file, u"/home/a/t.zlm"_s);
    EXPECT_EQ(ParseCommandLine({u"/x.zlm"_s}).file, u"/x.zlm"_s);
    const SCommandLine print = ParseCommandLine({u"-P"_s, u"t.zlm"_s});
    EXPECT_EQ(print.action, A::kPrint);
    EXPECT_EQ(print.file, u"t.zlm"_s);
    const SCommandLine printTo = ParseCommandLine({u"/pt"_s, u"t.zlm"_s, u"Drucker 1"_s});
    EXPECT_EQ(printTo.action, A::kPrintTo);
    EXPECT_EQ(printTo.printer, u"Drucker 1"_s);
    EXPECT_EQ(ParseCommandLine({u"t.zlm"_s, u"-pt"_s, u"Drucker"_s}).printer, u"Drucker"_s);
    EXPECT_EQ(ParseCommandLine({u"/dde"_s}).action, A::kDde);
    EXPECT_EQ(ParseCommandLine({u"-Embedding"_s}).action, A::kAutomation);
    EXPECT_EQ(ParseCommandLine({u"/AUTOMATION"_s}).action, A::kAutomation);
    const SCommandLine pdf = ParseCommandLine({u"--print-to-pdf"_s, u"o.pdf"_s, u"t.zlm"_s});
    EXPECT_EQ(pdf.action, A::kPrintToPdf);
    EXPECT_EQ(pdf.pdfFile, u"o.pdf"_s);
    EXPECT_EQ(pdf.file, u"t.zlm"_s);
    // As the framework does: the first file name counts, the rest and unknown switches are passed
    // over, each with a line for standard error.
    const SCommandLine extra = ParseCommandLine({u"a.zlm"_s, u"--bogus"_s, u"b.zlm"_s});
    EXPECT_TRUE(extra.error.isEmpty());
    EXPECT_EQ(extra.action, A::kOpen);
    EXPECT_EQ(extra.file, u"a.zlm"_s);
    EXPECT_EQ(extra.ignored, QStringList({u"Unbekannte Option nicht beachtet: --bogus"_s,
                                          u"Nur eine Datei wird geöffnet; nicht beachtet: b.zlm"_s}));
    EXPECT_EQ(ParseCommandLine({u"/pt"_s, u"t.zlm"_s, u"Drucker"_s, u"x.zlm"_s}).ignored.size(), 1);
    EXPECT_FALSE(ParseCommandLine({u"/pt"_s, u"t.zlm"_s}).error.isEmpty());
}

}  // namespace

namespace {

TEST(ApplicationStartTest, HelpNeedsNoDisplay) {
    QProcess zelmora;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    zelmora.setProcessEnvironment(environment);
    zelmora.start(QStringLiteral(ZELMORA_PATH), {u"--help"_s});
    ASSERT_TRUE(zelmora.waitForFinished(20000));
    EXPECT_EQ(zelmora.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(zelmora.exitCode(), 0) << zelmora.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(zelmora.readAllStandardOutput()), CommandLineUsage());
}

TEST(ApplicationStartTest, FurtherFilesAndUnknownSwitchesArePassedOverWithALineOnStandardError) {
    CPrivateSettings settings;
    CMessageBoxAnswers boxes;
    QTemporaryDir dir;
    const QString vault = dir.filePath(u"Tresor.zlm"_s);
    WriteVault(vault, {{"a", "b", "c", "d"}}, "");
    // Standard error into a file while the start runs.
    const QString errors = dir.filePath(u"stderr.txt"_s);
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    dup2(file, STDERR_FILENO);
    close(file);
    CModalDriver driver{TypePassword(QString())};
    int exitCode = -1;
    CZelmoraApp app;
    const bool started = app.InitInstance({vault, u"--bogus"_s, dir.filePath(u"Zweiter.zlm"_s)}, &exitCode);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    ASSERT_TRUE(started);
    EXPECT_TRUE(app.Frame()->isVisible());
    EXPECT_EQ(app.Doc()->GetPathName(), vault);
    EXPECT_EQ(DocEntries(*app.Doc()).size(), 1u);
    const QStringList lines = QString::fromLocal8Bit(FileBytes(errors)).split(u'\n');
    EXPECT_TRUE(lines.contains(u"zelmora: Unbekannte Option nicht beachtet: --bogus"_s))
        << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines.contains(u"zelmora: Nur eine Datei wird geöffnet; nicht beachtet: "_s +
                               dir.filePath(u"Zweiter.zlm"_s)));
    app.ExitInstance();
}

TEST(ApplicationStartTest, AVaultThatCannotBeReadEndsTheStartButAWrongPasswordAsksAgain) {
    CPrivateSettings settings;
    CMessageBoxAnswers boxes;
    QTemporaryDir dir;
    int exitCode = 0;
    {
        CZelmoraApp app;
        const QString missing = dir.filePath(u"Fehlt.zlm"_s);
        EXPECT_FALSE(app.InitInstance({missing}, &exitCode));
        EXPECT_EQ(exitCode, 1);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text, u"%1 wurde nicht gefunden."_s.arg(missing));
    }
    const QString vault = dir.filePath(u"Tresor.zlm"_s);
    WriteVault(vault, {{"a", "b", "c", "d"}}, "Geheimnis");
    CModalDriver driver{TypePassword(u"falsch"_s), TypePassword(u"Geheimnis"_s)};
    CZelmoraApp app;
    ASSERT_TRUE(app.InitInstance({vault}, &exitCode));
    EXPECT_EQ(boxes.Calls().size(), 2u) << "the wrong password was reported";
    EXPECT_EQ(DocEntries(*app.Doc()), (std::vector<Fields>{{"a", "b", "c", "d"}}));
    EXPECT_TRUE(app.Frame()->isVisible());
    app.ExitInstance();
    EXPECT_EQ(CSettingsStore::ReadString(settings::kSectionRecentFiles, settings::kRecentFile1), vault);
    EXPECT_EQ(CSettingsStore::ReadInt(settings::kSectionSettings, settings::kPreviewPages, -1), 0);
}

}  // namespace

namespace {

TEST_F(MainFrameTest, DroppedFilesOpenOneByOneAfterTheSavePrompt) {
    const QString first = Path(u"Eins.zlm"_s);
    const QString second = Path(u"Zwei.zlm"_s);
    WriteVault(first, {{"a", "", "", ""}}, "");
    WriteVault(second, {{"b", "", "", ""}}, "");
    Frame().ActivateFrame(5);
    Doc().AddEntry("neu", "", "", "");
    m_boxes.Reply(QMessageBox::No);

    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(first), QUrl(u"https://example.org/x.zlm"_s), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);

    EXPECT_EQ(BoxTexts(), QStringList(u"Änderungen in Unbenannt speichern?"_s));
    EXPECT_EQ(Doc().GetPathName(), second);
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"b", "", "", ""}}))
        << "each file replaces the one before";
}

}  // namespace
