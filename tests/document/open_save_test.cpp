// What opening and saving must never do: lose the open vault's path or changes on a failed open,
// hang on a file that is not a file, end the program on a vault too large for the memory, replace
// a file without asking, follow a planted link, or report a save failure without saying why.
#include "app_test_support.h"

#include "platform/settings_store.h"
#include "resources/resource_ids.h"

#include <QFileInfo>

#include <cstdlib>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

class OpenSaveTest : public AppTest {};

TEST_F(OpenSaveTest, AFailedOpenKeepsThePathAndTheUnsavedChanges) {
    const QString plain = Path(u"plain.zlm"_s);
    WriteVault(plain, {{"a", "", "", ""}}, "");
    {
        CModalDriver driver{TypePassword(QString())};
        Doc().LoadVault(plain);
    }
    Doc().AddEntry("neu", "", "", "");
    const QString missing = Path(u"missing.zlm"_s);
    m_boxes.Reply(QMessageBox::No);
    EXPECT_FALSE(Doc().OpenDocumentFile(missing));
    EXPECT_EQ(BoxTexts(), QStringList({u"Änderungen in plain.zlm speichern?"_s,
                                       u"%1 wurde nicht gefunden."_s.arg(missing)}));
    EXPECT_EQ(Doc().GetPathName(), plain);
    EXPECT_EQ(Frame().windowTitle(), u"plain.zlm - Zelmora"_s);
    EXPECT_EQ(Doc().GetEntryCount(), 2);
    EXPECT_TRUE(Doc().IsModified()) << "closing must still ask";

    // A "LastFile" that is gone leaves an empty vault with nothing to save.
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kRestoreFile, 1);
    CSettingsStore::WriteString(settings::kSectionGeneral, settings::kLastFile, missing);
    Doc().SetModifiedFlag(false);
    CModalDriver driver{TypePassword(QString())};
    View().RestoreLastFile();
    EXPECT_EQ(Doc().GetEntryCount(), 0);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(OpenSaveTest, AFifoIsRefusedBeforeItIsRead) {
    // Nobody ever writes to it: a read would wait for ever.
    const QString fifo = Path(u"pipe.zlm"_s);
    ASSERT_EQ(mkfifo(PathToCore(fifo).c_str(), 0600), 0);
    EXPECT_FALSE(Doc().OpenDocumentFile(fifo));
    EXPECT_EQ(BoxTexts(), QStringList(u"Zugriff auf %1 wurde verwehrt."_s.arg(fifo)));
    CModalDriver driver{TypePassword(QString())};
    Doc().LoadVault(fifo);
    EXPECT_EQ(BoxTexts().last(), u"Zugriff auf %1 wurde verwehrt."_s.arg(fifo));
}

TEST_F(OpenSaveTest, AVaultTooLargeForTheMemoryNeverEndsTheProgram) {
    // One plain entry whose site is a gigabyte of zero bytes, in a sparse file.
    const QString huge = Path(u"huge.zlm"_s);
    constexpr std::uint32_t kLength = 1u << 30;
    {
        std::ofstream out(PathToCore(huge), std::ios::binary);
        const unsigned char head[] = {0x01, '1', 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40};
        out.write(reinterpret_cast<const char*>(head), sizeof head);
        out.seekp(kLength, std::ios::cur);
        out.write("\0\0\0", 3);
    }
    const auto mappedBytes = [] {
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    };
    // The child runs the test afresh in a new process; it removes its own folders when it ends.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto finish = [this](bool ok) {
        m_dir.remove();
        QDir(QString::fromLocal8Bit(qgetenv("ZELMORA_TEST_HOME"))).removeRecursively();
        std::_Exit(ok ? 0 : 1);
    };
    const auto openWithin = [&](rlim_t room) {
        const rlimit limit{mappedBytes() + room, RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limit);
        CModalDriver driver{TypePassword(QString())};
        Doc().LoadVault(huge);
    };
    // Room for the field but not for a text of it in the list: the list shows it cut.
    const auto opensCut = [&] {
        openWithin(rlim_t{3} << 29);
        finish(Doc().GetEntryCount() == 1 && Doc().GetEntryAt(0).GetSeite().size() == kLength &&
               List().GetItemText(0, 0).size() < 5000 && BoxTexts().isEmpty());
    };
    EXPECT_EXIT(opensCut(), ::testing::ExitedWithCode(0), "");
    // No room for the field itself: reported like a damaged file.
    const auto reports = [&] {
        openWithin(rlim_t{1} << 28);
        finish(BoxTexts() == QStringList(u"Fehler beim Öffnen des Dokuments."_s));
    };
    EXPECT_EXIT(reports(), ::testing::ExitedWithCode(0), "");
}

TEST_F(OpenSaveTest, SaveAsAsksBeforeReplacingTheNameWithItsExtension) {
    const QString existing = Path(u"Da.zlm"_s);
    WriteVault(existing, {{"alt", "", "", ""}}, "");
    WriteVault(existing + u".bak"_s, {{"alt", "", "", ""}}, "");
    const QByteArray before = FileBytes(existing);
    Doc().AddEntry("neu", "", "", "");

    // The first Strg+S of a new vault; the name is typed without ".zlm".
    CModalDriver driver{ChooseFile(Path(u"Da"_s)), Cancel()};
    m_boxes.Reply(QMessageBox::No);
    Doc().OnFileSave();
    EXPECT_EQ(BoxTexts(),
              QStringList(u"%1 ist bereits vorhanden.\nSoll die Datei ersetzt werden?"_s.arg(existing)));
    EXPECT_EQ(driver.Titles(), QStringList({u"Speichern unter"_s, u"Speichern unter"_s}))
        << "Nein returns to the dialog";
    EXPECT_EQ(FileBytes(existing), before);
    EXPECT_EQ(FileBytes(existing + u".bak"_s), before);
    EXPECT_TRUE(Doc().GetPathName().isEmpty());

    driver.Then(ChooseFile(existing));
    m_boxes.Reply(QMessageBox::Yes);
    Doc().OnFileSaveAs();
    EXPECT_EQ(ReadVault(existing, ""), (std::vector<Fields>{{"neu", "", "", ""}}));
    EXPECT_EQ(Doc().GetPathName(), existing);
}

TEST_F(OpenSaveTest, ALinkPlantedInASharedFolderIsNeitherOpenedNorSavedThrough) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "planting a link of another user needs root";
    }
    const QString shared = Path(u"tmp"_s);
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(chmod(PathToCore(shared).c_str(), 01777), 0);
    const QString theirs = Path(u"theirs.zlm"_s);
    WriteVault(theirs, {{"fremd", "", "", ""}}, "");
    const QByteArray before = FileBytes(theirs);
    const QString victim = shared + u"/victim.zlm"_s;
    ASSERT_TRUE(QFile::link(theirs, victim));
    ASSERT_EQ(lchown(PathToCore(victim).c_str(), 4242, 4242), 0);

    EXPECT_EQ(CDocument::CleanPath(victim), victim) << "not replaced by its target";
    EXPECT_FALSE(Doc().OpenDocumentFile(victim));
    EXPECT_EQ(BoxTexts().last(), u"Zugriff auf %1 wurde verwehrt."_s.arg(victim));
    EXPECT_EQ(Doc().GetEntryCount(), 0);

    Doc().AddEntry("meins", "", "", "");
    Doc().SetPathName(victim);
    Doc().OnFileSave();
    EXPECT_EQ(BoxTexts().last(), u"Zugriff auf %1 wurde verwehrt."_s.arg(victim));
    EXPECT_EQ(FileBytes(theirs), before);

    // The user's own link there is followed.
    ASSERT_EQ(lchown(PathToCore(victim).c_str(), 0, 0), 0);
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(theirs, ""), (std::vector<Fields>{{"meins", "", "", ""}}));
}

TEST_F(OpenSaveTest, ASaveThatCannotEncryptAFieldNamesTheEntryAndTheField) {
    Doc().AddEntry("web", "", "", "");
    Doc().AddEntry("bank %2", "anna",
                   std::string("12\0"
                               "34",
                               5),
                   "");
    Doc().SetVaultPassword("Geheimnis");
    const QString vault = Path(u"Tresor.zlm"_s);
    Doc().SetPathName(vault);
    CSettingsStore::WriteInt(settings::kSectionProperties, settings::kBak, 0);
    Doc().OnFileSave();
    EXPECT_EQ(BoxTexts(),
              QStringList(u"Fehler beim Speichern des Dokuments.\nDer Eintrag „bank %2“ (Nr. 2) lässt "
                          u"sich nicht verschlüsseln: sein Feld „Passwort“ enthält ein Null-Zeichen, "
                          u"das verschlüsselt verloren ginge."_s));
    EXPECT_FALSE(QFileInfo::exists(vault));
}

}  // namespace
