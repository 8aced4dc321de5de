// The vault's file changed by a second writer while the window holds it: reloaded when nothing is
// unsaved, offered for a merge when something is, never overwritten without a question, and
// saved under the lock that zelmora-cli takes.
#include "app_test_support.h"

#include "document/file_watch.h"
#include "document/vault_sync.h"
#include "vault/vault_lock.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <atomic>
#include <chrono>
#include <thread>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

const Fields kA = {"a", "anna", "1", ""};
const Fields kB = {"b", "bert", "2", ""};
const Fields kC = {"c", "carla", "3", ""};
const Fields kMine = {"mein", "", "m", ""};
const Fields kTheirs = {"fremd", "", "f", ""};

class FileChangeTest : public AppTest {
protected:
    // Opens the vault of the entries given under password "pw".
    void Open(const std::vector<Fields>& entries) {
        WriteVault(m_vault, entries, "pw");
        CModalDriver driver{TypePassword(u"pw"_s)};
        Doc().LoadVault(m_vault);
        ASSERT_EQ(DocEntries(Doc()), entries);
    }
    QWidget* Bar() { return View().findChild<QWidget*>(u"fileChangedBar"_s); }
    bool BarShown() { return Bar() && !Bar()->isHidden(); }
    void Click(const char* name) {
        auto* button = View().findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    void AddInWindow(const Fields& e) {
        Doc().AddEntry(e[0], e[1], e[2], e[3]);
        Doc().UpdateAllViews();
    }
    const QString m_vault = Path(u"Tresor.zlm"_s);
};

TEST_F(FileChangeTest, AnUnmodifiedVaultIsReloadedKeepingSortAndSelectionButNotAfterItsOwnSave) {
    Open({kB, kC, kA});
    QSignalSpy reloads(&Doc().Sync(), &CVaultSync::reloaded);
    // Saved by the window: the watch sees it and must not take it for another program's.
    AddInWindow(kMine);
    Doc().OnFileSave();
    ASSERT_FALSE(Doc().IsModified());
    QTest::qWait(3 * CFileWatch::kSettleMs);
    EXPECT_EQ(reloads.count(), 0);
    EXPECT_TRUE(BoxTexts().isEmpty());

    List().SortByColumn(0, true);  // a, b, c, mein
    Select({1});                   // b
    WriteVault(m_vault, {kB, kC, kTheirs, kA, kMine}, "pw");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reloads.count() == 1; })) << "the watch saw no change";
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kB, kC, kTheirs, kA, kMine}));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Frame().MessageText(), u"Tresor neu geladen: außerhalb von Zelmora geändert."_s);
    QStringList shown;
    for (int row = 0; row < List().GetItemCount(); ++row) {
        shown << List().GetItemText(row, 0);
    }
    EXPECT_EQ(shown, QStringList({u"a"_s, u"b"_s, u"c"_s, u"fremd"_s, u"mein"_s}));
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>{1});

    // Written in place (no new inode): the file's own watch sees it.
    {
        CVaultData data;
        data.SetVaultPassword("pw");
        data.AddEntry(kA[0], kA[1], kA[2], kA[3]);
        std::string bytes;
        CArchiveWriter ar(bytes);
        ASSERT_TRUE(WriteVault(ar, data).ok());
        QFile file(m_vault);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return reloads.count() == 2; }));
    EXPECT_EQ(DocEntries(Doc()), std::vector<Fields>{kA});
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(FileChangeTest, AModifiedVaultShowsTheBarAndEachChoiceDoesWhatItSays) {
    Open({kA, kB, kC});
    ASSERT_FALSE(BarShown());
    AddInWindow(kMine);
    Doc().RemoveEntryAt(0);  // a removed here
    Doc().UpdateAllViews();
    WriteVault(m_vault, {kA, kC, kTheirs}, "pw");  // b removed and one added there
    ASSERT_TRUE(QTest::qWaitFor([&] { return BarShown(); }));
    EXPECT_EQ(Bar()->findChild<QLabel*>(u"fileChangedText"_s)->text(),
              u"Die Datei wurde außerhalb von Zelmora geändert."_s);
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kB, kC, kMine})) << "nothing changes before a choice";

    Click("mergeButton");
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kC, kMine, kTheirs}));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_FALSE(BarShown());
    EXPECT_EQ(Frame().MessageText(), u"Zusammengeführt: 1 Eintrag hinzugekommen, 1 Eintrag weggefallen."_s);
    // Theirs is the base now: saving asks nothing and writes the merge.
    Doc().OnFileSave();
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(ReadVault(m_vault, "pw"), (std::vector<Fields>{kC, kMine, kTheirs}));

    // Meine behalten: the bar goes, the window keeps its entries, and the save still asks.
    AddInWindow(kA);
    WriteVault(m_vault, {kB}, "pw");
    ASSERT_TRUE(QTest::qWaitFor([&] { return BarShown(); }));
    Click("keepButton");
    EXPECT_FALSE(BarShown());
    QTest::qWait(3 * CFileWatch::kSettleMs);
    EXPECT_FALSE(BarShown()) << "the same change is not offered twice";
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kC, kMine, kTheirs, kA}));

    // Neu laden: theirs, unmodified.
    WriteVault(m_vault, {kB, kC}, "pw");
    ASSERT_TRUE(QTest::qWaitFor([&] { return BarShown(); }));
    Click("reloadButton");
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kB, kC}));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(BarShown());
}

TEST_F(FileChangeTest, SavingOverAChangedFileAsksAndEachAnswerIsKept) {
    Open({kA, kB});
    // Written right before the save, with no event handled between: only the save can notice.
    const auto changeBehindTheWindow = [&](const std::vector<Fields>& theirs) {
        WriteVault(m_vault, theirs, "pw");
    };
    const QString question =
        u"Tresor.zlm wurde seit dem Öffnen außerhalb von Zelmora geändert. Zusammenführen und speichern?"_s;
    AddInWindow(kMine);
    changeBehindTheWindow({kA, kB, kTheirs});
    const QByteArray theirs = FileBytes(m_vault);

    m_boxes.Reply(QMessageBox::Cancel);
    Doc().OnFileSave();
    EXPECT_EQ(BoxTexts(), QStringList(question));
    EXPECT_EQ(FileBytes(m_vault), theirs);
    EXPECT_FALSE(QFileInfo::exists(m_vault + u".bak"_s));
    EXPECT_TRUE(Doc().IsModified());

    m_boxes.Reply(QMessageBox::Yes);
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(m_vault, "pw"), (std::vector<Fields>{kA, kB, kMine, kTheirs}));
    EXPECT_EQ(FileBytes(m_vault + u".bak"_s), FileBytes(m_vault));
    EXPECT_FALSE(Doc().IsModified());

    // Nein overwrites theirs with mine; the framework's save (closing the window) asks as well.
    AddInWindow(kC);
    changeBehindTheWindow({kTheirs});
    m_boxes.Reply(QMessageBox::Yes);  // Änderungen speichern?
    m_boxes.Reply(QMessageBox::No);   // Zusammenführen?
    EXPECT_TRUE(Doc().SaveModified());
    EXPECT_EQ(BoxTexts().mid(2), QStringList({u"Änderungen in Tresor.zlm speichern?"_s, question}));
    EXPECT_EQ(ReadVault(m_vault, "pw"), (std::vector<Fields>{kA, kB, kMine, kTheirs, kC}));
}

TEST_F(FileChangeTest, APasswordChangedElsewhereLocksAndAVanishedFileKeepsTheEntries) {
    Open({kA});
    WriteVault(m_vault, {kA, kB}, "anders");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().IsLocked(); }));
    EXPECT_EQ(Frame().MessageText(), u"Tresor gesperrt: Das Passwort passt nicht mehr zu Tresor.zlm."_s);
    EXPECT_EQ(Doc().GetEntryCount(), 0);
    // The unlock takes the file's new password and shows what the file now holds.
    EXPECT_FALSE(Doc().Unlock("falsch"));
    ASSERT_TRUE(Doc().Unlock("anders"));
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kA, kB}));
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 6);
    EXPECT_FALSE(Doc().IsModified());

    ASSERT_TRUE(QFile::remove(m_vault));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().IsModified(); }));
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{kA, kB}));
    EXPECT_EQ(Frame().MessageText(),
              u"Tresor.zlm wurde außerhalb von Zelmora gelöscht oder umbenannt. Die Einträge bleiben; "
              u"Speichern legt die Datei wieder an."_s);
    Doc().OnFileSave();
    EXPECT_EQ(ReadVault(m_vault, "anders"), (std::vector<Fields>{kA, kB}));
}

TEST_F(FileChangeTest, ASaveWaitsForTheLockOfAnotherWriterAndThenSeesItsChange) {
    Open({kA});
    AddInWindow(kMine);
    std::atomic<bool> locked{false};
    std::thread other([&] {
        // zelmora-cli's read-modify-write, slow.
        CVaultLock lock;
        ASSERT_EQ(lock.Acquire(PathToCore(m_vault), 1000), ELockStatus::kLocked);
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        WriteVault(m_vault, {kA, kTheirs}, "pw");
    });
    while (!locked) {
        std::this_thread::yield();
    }
    m_boxes.Reply(QMessageBox::Yes);
    Doc().OnFileSave();
    other.join();
    EXPECT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(ReadVault(m_vault, "pw"), (std::vector<Fields>{kA, kMine, kTheirs}));
}

}  // namespace
