// Everyday safety in the window: the lock and its triggers, what it wipes and what comes back,
// the unlock and its waits, the hidden passwords and the clipboard's countdown.
#include "app_test_support.h"

#include "app/lock_coordinator.h"
#include "fake_clock.h"
#include "platform/busy_progress.h"
#include "platform/clipboard_guard.h"
#include "platform/idle_watch.h"
#include "platform/security_settings.h"
#include "platform/session_lock_watch.h"
#include "resources/resource_ids.h"
#include "vault/heap_hygiene.h"
#include "view/locked_panel.h"

#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <fstream>
#include <sstream>
#include <string_view>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace app_test;
using namespace Qt::StringLiterals;

namespace {

// How often text stands in this process's heap and anonymous memory, as single bytes or UTF-16.
// The search keeps its own needles and its buffer out of what it searches.
int HeapCount(const std::string& text) {
    char narrow[32] = {};
    char wide[64] = {};
    const std::size_t n = std::min<std::size_t>(text.size(), 31);
    for (std::size_t i = 0; i < n; ++i) {
        narrow[i] = text[i];
        wide[2 * i] = text[i];
    }
    constexpr std::size_t kChunk = 1 << 20;
    void* mapped = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        ADD_FAILURE() << "no buffer";
        return -1;
    }
    auto* buffer = static_cast<char*>(mapped);
    std::vector<std::pair<unsigned long, unsigned long>> ranges;
    {
        std::ifstream maps("/proc/self/maps");
        std::string line;
        while (std::getline(maps, line)) {
            std::istringstream fields(line);
            std::string range, perms, offset, dev, inode, name;
            fields >> range >> perms >> offset >> dev >> inode >> name;
            if (perms.substr(0, 2) == "rw" && (name.empty() || name == "[heap]")) {
                const auto dash = range.find('-');
                ranges.emplace_back(std::stoul(range.substr(0, dash), nullptr, 16),
                                    std::stoul(range.substr(dash + 1), nullptr, 16));
            }
        }
    }
    const int fd = open("/proc/self/mem", O_RDONLY);
    int count = 0;
    for (const auto& [start, end] : ranges) {
        if (start == reinterpret_cast<unsigned long>(buffer)) {
            continue;
        }
        for (unsigned long at = start; at < end;) {
            const std::size_t want = std::min<unsigned long>(kChunk, end - at);
            const ssize_t got = pread(fd, buffer, want, static_cast<off_t>(at));
            if (got <= 0) {
                break;
            }
            const std::string_view bytes(buffer, static_cast<std::size_t>(got));
            for (const std::string_view needle :
                 {std::string_view(narrow, n), std::string_view(wide, 2 * n)}) {
                for (auto found = bytes.find(needle); found != std::string_view::npos;
                     found = bytes.find(needle, found + 1)) {
                    ++count;
                }
            }
            // The next chunk starts a little before, so that no text is cut at the edge.
            at += static_cast<unsigned long>(got) > 2 * n ? static_cast<unsigned long>(got) - 2 * n
                                                          : static_cast<unsigned long>(got);
        }
    }
    close(fd);
    munmap(mapped, kChunk);
    return count;
}

// Built at run time, so that the test's own constants are not what is found.
std::string Secret(int n) {
    return "Qx" + std::to_string(n * 7919) + "-zLm" + std::to_string(n);
}

class LockTest : public AppTest {
protected:
    // An encrypted vault open in the window, with an unsaved entry added to it.
    void OpenVault() {
        m_vault = Path(u"Tresor.zlm"_s);
        WriteVault(m_vault, {{"bank.example", "anna", Secret(1), "Giro"}, {"alpha", "bob", Secret(2), ""}},
                   "Geheimnis");
        {
            CModalDriver driver{TypePassword(u"Geheimnis"_s)};
            Doc().LoadVault(m_vault);
        }
        Doc().AddEntry("zeta", "carl", Secret(3), "neu");
        View().FillList();
        Frame().UpdateCommandUI();
    }
    CLockCoordinator& Lock() { return Frame().Lock(); }
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }

    QString m_vault;
};

TEST_F(LockTest, LockingWipesTheTextsAndUnlockingBringsBackEntriesFlagSortAndSelection) {
    FillFreedMemory(true);
    OpenVault();
    List().SortByColumn(List().FindColumn(u"Seite"_s), false);  // zeta, bank, alpha
    Select({1, 2});
    View().CopyToClipboard(Doc().GetEntryAt(0).GetPasswort());
    QSignalSpy changes(&Doc(), &CZelmoraDoc::lockChanged);
    ASSERT_GT(HeapCount(Secret(2)), 0) << "the search finds what is there";

    ASSERT_TRUE(Action(zid::ID_FILE_LOCK)->isEnabled());
    Action(zid::ID_FILE_LOCK)->trigger();
    ASSERT_TRUE(Doc().IsLocked());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(Frame().windowTitle(), u"Tresor.zlm (gesperrt) - Zelmora"_s);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(Doc().GetEntryCount(), 0);
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 0);
    EXPECT_TRUE(View().LockedPanel().isVisibleTo(&Frame()));
    EXPECT_FALSE(QGuiApplication::clipboard()->text().contains(TextFromVault(Secret(1))));
    EXPECT_EQ(Frame().MessageText(), u"Der Tresor ist gesperrt."_s);
    for (const int id :
         {zid::ID_FILE_SAVE, zid::ID_FILE_SAVE_AS, zid::ID_ENTRY_NEW, zid::ID_COPY_PASSWORT,
          zid::ID_FILE_PRINT, zid::ID_FILE_EXPORT_KDBX, zid::ID_CHANGE_PASSWORD, zid::ID_FILE_LOCK}) {
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    }
    for (const int id :
         {zid::ID_FILE_NEW, zid::ID_FILE_OPEN, zid::ID_APP_EXIT, zid::ID_APP_ABOUT, zid::ID_HELP_PAGE}) {
        EXPECT_TRUE(Action(id)->isEnabled()) << id;
    }
    // None of the passwords is left in the heap, alive or freed.
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(HeapCount(Secret(n)), 0) << n;
    }

    // A wrong password says so and stays locked; the right one brings everything back.
    {
        CModalDriver driver{TypePassword(u"geheimnis"_s)};
        QTest::keyClick(&View().List(), Qt::Key_Return);
        EXPECT_EQ(driver.Titles(), QStringList(u"Passwort Eingabe: Tresor.zlm"_s));
    }
    EXPECT_EQ(BoxTexts().last(), u"Das Passwort passt nicht zu Tresor.zlm."_s);
    EXPECT_TRUE(Doc().IsLocked());
    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        View().LockedPanel().Button()->click();
    }
    ASSERT_FALSE(Doc().IsLocked());
    EXPECT_EQ(DocEntries(Doc()), (std::vector<Fields>{{"bank.example", "anna", Secret(1), "Giro"},
                                                      {"alpha", "bob", Secret(2), ""},
                                                      {"zeta", "carl", Secret(3), "neu"}}));
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Doc().GetPathName(), m_vault);
    EXPECT_EQ(Doc().GetVaultPasswordLength(), 9);
    EXPECT_EQ(Frame().windowTitle(), u"Tresor.zlm - Zelmora"_s);
    EXPECT_EQ(List().GetSortColumn(), List().FindColumn(u"Seite"_s));
    EXPECT_FALSE(List().IsSortAscending());
    EXPECT_EQ(List().GetSelectedItems(), std::vector<int>({1, 2}));
    EXPECT_EQ(List().GetItemText(1, 0), u"bank.example"_s);
    EXPECT_TRUE(Action(zid::ID_FILE_SAVE)->isEnabled());
    EXPECT_FALSE(View().LockedPanel().isVisibleTo(&Frame()));
    FillFreedMemory(false);
}

TEST_F(LockTest, ALockedVaultIsSavedAsItsSealedBytesWhenClosingAsksToSave) {
    OpenVault();
    Lock().RequestLock();
    ASSERT_TRUE(Doc().IsLocked());
    m_boxes.Reply(QMessageBox::Yes);
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(BoxTexts().last(), u"Änderungen in Tresor.zlm speichern?"_s);
    const std::vector<Fields> saved = ReadVault(m_vault, "Geheimnis");
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[2], (Fields{"zeta", "carl", Secret(3), "neu"})) << "the unsaved entry is kept";
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(LockTest, OpenDialogsCloseAsCancelledFirstAndWorkInProgressIsWaitedFor) {
    OpenVault();
    Select({0});
    // The entry dialog is open with a change typed when the screen locks.
    {
        CModalDriver driver{[&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(u"commentEdit"_s)->setText(u"geändert"_s);
            emit Lock().SessionWatch().lockRequested();
            EXPECT_FALSE(dialog.isVisible()) << "closed at once";
            EXPECT_FALSE(Doc().IsLocked()) << "the dialog's caller finishes first";
        }};
        Action(zid::ID_ENTRY_CHANGE)->trigger();
    }
    EXPECT_TRUE(Lock().LockPending());
    Settle();
    ASSERT_TRUE(Doc().IsLocked());
    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        Lock().Unlock();
    }
    EXPECT_EQ(Doc().GetEntryAt(0).GetKommentar(), "Giro") << "cancelled: nothing changed";

    // A question during deletion is answered No; nothing is deleted.
    Select({0});
    m_boxes.Reply(QMessageBox::Yes);
    SetMessageBoxAnswer([&](const SMessageBoxCall&) {
        Lock().RequestLock();
        return QMessageBox::Yes;
    });
    Action(zid::ID_ENTRY_DELETE)->trigger();
    SetMessageBoxAnswer({});
    Settle();
    ASSERT_TRUE(Doc().IsLocked());
    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        Lock().Unlock();
    }
    EXPECT_EQ(Doc().GetEntryCount(), 3);

    // Work that cannot be cancelled ends before the lock.
    bool lockedDuringWork = true;
    QTimer::singleShot(20, &Frame(), [&] { Lock().RequestLock(); });
    RunWithProgress(&Frame(), u"Arbeit"_s, u"..."_s, [] { QThread::msleep(300); });
    lockedDuringWork = Doc().IsLocked();
    EXPECT_FALSE(lockedDuringWork);
    Settle();
    EXPECT_TRUE(Doc().IsLocked());
}

TEST_F(LockTest, FromTheThirdWrongTryEachTryWaitsASecondLonger) {
    CFakeClock clock;
    OpenVault();
    Lock().RequestLock();
    const auto tryWrong = [&] {
        CModalDriver driver{TypePassword(u"falsch"_s)};
        Lock().Unlock();
        return driver.Titles().size();
    };
    EXPECT_EQ(tryWrong(), 1);
    EXPECT_EQ(tryWrong(), 1);
    EXPECT_EQ(Lock().WaitLeft(), 0);
    EXPECT_EQ(tryWrong(), 1);
    EXPECT_EQ(Lock().WaitLeft(), 1000);
    EXPECT_FALSE(View().LockedPanel().Button()->isEnabled());
    EXPECT_EQ(tryWrong(), 0) << "no dialog while it waits";
    clock.Advance(1000);
    EXPECT_EQ(tryWrong(), 1);
    EXPECT_EQ(Lock().WaitLeft(), 2000);
    clock.Advance(2000);
    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        Lock().Unlock();
    }
    EXPECT_FALSE(Doc().IsLocked());
    Lock().RequestLock();
    EXPECT_EQ(tryWrong(), 1);
    EXPECT_EQ(Lock().WaitLeft(), 0) << "a right password starts the count again";
}

TEST_F(LockTest, TheSessionLocksOnlyAsTheSettingSaysIdleTimeAndPlainVaultsNever) {
    CFakeClock clock;
    const QString plain = Path(u"plain.zlm"_s);
    WriteVault(plain, {{"a", "b", "c", "d"}}, "");
    ASSERT_TRUE(Doc().OpenDocumentFile(plain));
    Frame().UpdateCommandUI();
    EXPECT_FALSE(Action(zid::ID_FILE_LOCK)->isEnabled()) << "a plain vault has nothing to lock";
    emit Lock().SessionWatch().lockRequested();
    EXPECT_FALSE(Doc().IsLocked());

    OpenVault();
    security::SetLockOnScreenLock(false);
    emit Lock().SessionWatch().lockRequested();
    EXPECT_FALSE(Doc().IsLocked());
    security::SetLockOnScreenLock(true);
    emit Lock().SessionWatch().lockRequested();
    EXPECT_TRUE(Doc().IsLocked());
    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        Lock().Unlock();
    }
    security::SetLockMinutes(5);
    clock.Advance(5 * 60 * 1000 - 1);
    Lock().IdleWatch().Poll();
    EXPECT_FALSE(Doc().IsLocked());
    clock.Advance(1);
    Lock().IdleWatch().Poll();
    EXPECT_TRUE(Doc().IsLocked());

    // Opening another vault ends the lock: what was locked is gone.
    QSignalSpy changes(&Doc(), &CZelmoraDoc::lockChanged);
    m_boxes.Reply(QMessageBox::No);
    ASSERT_TRUE(Doc().OpenDocumentFile(plain));
    EXPECT_FALSE(Doc().IsLocked());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(Frame().windowTitle(), u"plain.zlm - Zelmora"_s);
}

TEST_F(LockTest, HiddenPasswordsShowBulletsWhileCopyAndSortUseTheTexts) {
    OpenVault();
    QAction* hide = Action(zid::ID_HIDE_PASSWORDS);
    EXPECT_FALSE(hide->isChecked());
    hide->trigger();
    EXPECT_TRUE(hide->isChecked());
    EXPECT_TRUE(security::HidePasswords());
    const int column = List().FindColumn(u"Passwort"_s);
    EXPECT_EQ(List().model()->index(0, column).data().toString(), u"••••••"_s);
    View().FillList();
    EXPECT_EQ(List().model()->index(2, column).data().toString(), u"••••••"_s) << "also after a refill";
    ASSERT_TRUE(List().SortByColumn(column, false));
    EXPECT_EQ(List().GetItemText(0, column), TextFromVault(Secret(1))) << "Qx7919 sorts after Qx23757";
    Select({0});
    Action(zid::ID_COPY_PASSWORT)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), TextFromVault(Secret(1)));
    hide->trigger();
    EXPECT_EQ(List().model()->index(0, column).data().toString(), TextFromVault(Secret(1)));
}

TEST_F(LockTest, TheStatusBarCountsTheClipboardDownAndItEmptiesItself) {
    CFakeClock clock;
    OpenVault();
    security::SetClipboardSeconds(2);
    Select({0});
    Action(zid::ID_COPY_PASSWORT)->trigger();
    auto* pane = Frame().findChild<QLabel*>(u"clipboardPane"_s);
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->isVisibleTo(&Frame()));
    EXPECT_EQ(pane->text(), u"Zwischenablage: 2 s"_s);
    clock.Advance(1000);
    View().Clipboard().Poll();
    EXPECT_EQ(pane->text(), u"Zwischenablage: 1 s"_s);
    clock.Advance(1000);
    View().Clipboard().Poll();
    EXPECT_FALSE(pane->isVisibleTo(&Frame()));
    EXPECT_FALSE(QGuiApplication::clipboard()->text().contains(TextFromVault(Secret(1))));
    // "Lösche Zwischenablage" ends the countdown too.
    Action(zid::ID_COPY_PASSWORT)->trigger();
    Action(zid::ID_CLEAR_CLIPBOARD)->trigger();
    EXPECT_FALSE(pane->isVisibleTo(&Frame()));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

}  // namespace

TEST_F(LockTest, ASearchSurvivesTheLockWhileItsFoldedTextsAreWiped) {
    FillFreedMemory(true);
    OpenVault();
    Doc().AddEntry("Kasse", Secret(4), "pw", "");  // the name folded, as the search keeps it
    View().FillList();
    auto* field = Frame().findChild<QLineEdit*>(u"searchField"_s);
    auto* pane = Frame().findChild<QLabel*>(u"searchPane"_s);
    ASSERT_NE(field, nullptr);
    field->setText(u"kasse"_s);
    ASSERT_EQ(List().GetItemCount(), 1);
    const std::string folded = "qx" + std::to_string(4 * 7919) + "-zlm4";
    ASSERT_GT(HeapCount(folded), 0) << "the search keeps the folded name";

    Lock().RequestLock();
    ASSERT_TRUE(Doc().IsLocked());
    EXPECT_EQ(HeapCount(folded), 0);
    EXPECT_FALSE(field->isEnabled());
    EXPECT_FALSE(Action(zid::ID_VIEW_SEARCH)->isEnabled());
    EXPECT_FALSE(pane->isVisibleTo(&Frame()));
    EXPECT_EQ(field->text(), u"kasse"_s);

    {
        CModalDriver driver{TypePassword(u"Geheimnis"_s)};
        View().LockedPanel().Button()->click();
    }
    ASSERT_FALSE(Doc().IsLocked());
    EXPECT_TRUE(field->isEnabled());
    ASSERT_EQ(List().GetItemCount(), 1);
    EXPECT_EQ(List().GetItemText(0, 0), u"Kasse"_s);
    EXPECT_EQ(pane->text(), u"1 von 4"_s);
    FillFreedMemory(false);
}
