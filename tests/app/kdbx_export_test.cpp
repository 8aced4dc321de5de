// The KDBX export from the window: "&Datei" / "Als &KDBX exportieren...", the save dialog, the new
// password typed twice, the progress while the key is derived, and a file a real reader opens.
#include "app_test_support.h"

#include "resources/resource_ids.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <sys/stat.h>

#include <cstdio>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

class KdbxExportTest : public AppTest {};

TEST_F(KdbxExportTest, TheCommandAsksFileAndPasswordShowsProgressAndWritesTheFile) {
    Doc().AddEntry("www.example.org", "anna", "Pa\xDF", "M\xFCnchen");
    QAction* action = Action(zid::ID_FILE_EXPORT_KDBX);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), u"Als &KDBX exportieren..."_s);
    const QList<QMenu*> menus = Frame().menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_TRUE(menus.first()->actions().contains(action)) << "in \"&Datei\"";

    const auto typePasswords = [](QDialog& dialog) {
        auto* password = dialog.findChild<QLineEdit*>(u"passwordEdit"_s);
        auto* repeat = dialog.findChild<QLineEdit*>(u"repeatEdit"_s);
        auto* ok = dialog.findChild<QPushButton*>(u"okButton"_s);
        auto* hint = dialog.findChild<QLabel*>(u"hintLabel"_s);
        ASSERT_TRUE(password && repeat && ok && hint) << dialog.windowTitle().toStdString();
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(hint->text(), u"Ohne Passwort schützt die Datei nichts."_s);
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        password->setText(u"geheim ä€"_s);
        repeat->setText(u"geheim"_s);
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_EQ(hint->text(), u"Die Passwörter stimmen nicht überein."_s);
        repeat->setText(u"geheim ä€"_s);
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    };
    const QString chosen = Path(u"Export"_s);
    const QString written = chosen + u".kdbx"_s;
    CModalDriver driver{ChooseFile(chosen), typePasswords};

    // The key is derived off this thread: the progress dialog shows and the loop keeps running.
    int progressSeen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&progressSeen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(widget);
            if (progress && progress->isVisible() && progress->labelText().contains(u"Export.kdbx"_s)) {
                ++progressSeen;
            }
        }
    });
    poll.start(10);
    action->trigger();
    poll.stop();
    EXPECT_GE(progressSeen, 2);

    EXPECT_EQ(driver.Titles(), QStringList({u"Als KDBX exportieren"_s, u"Als KDBX exportieren"_s}));
    EXPECT_EQ(BoxTexts(), QStringList(u"1 Eintrag wurde nach %1 exportiert."_s.arg(written)));
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(written).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(Doc().IsModified()) << "an export is no save";

    const QString reader = QStandardPaths::findExecutable(u"keepassxc-cli"_s);
    if (reader.isEmpty()) {
        std::printf(
            "[  NOTE    ] keepassxc-cli is not installed (Debian package keepassxc): the exported file "
            "is not read back\n");
    } else {
        QProcess p;
        p.start(reader, {u"export"_s, u"--format"_s, u"csv"_s, written});
        p.write("geheim \xC3\xA4\xE2\x82\xAC\n");
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QByteArray csv = p.readAllStandardOutput();
        EXPECT_TRUE(
            csv.contains("\"Unbenannt\",\"www.example.org\",\"anna\",\"Pa\xC3\x9F\",\"www.example.org\","
                         "\"M\xC3\xBCnchen\""))
            << csv.toStdString();
    }

    // An existing file is replaced only after a question; "Nein" keeps it and asks no password.
    const QByteArray before = FileBytes(written);
    m_boxes.Reply(QMessageBox::No);
    driver.Then(ChooseFile(written));
    action->trigger();
    EXPECT_EQ(BoxTexts().last(), u"%1 ist bereits vorhanden.\nSoll die Datei ersetzt werden?"_s.arg(written));
    EXPECT_EQ(driver.Titles().size(), 3);
    EXPECT_EQ(FileBytes(written), before);
}

}  // namespace
