// Noticing another program's change of a vault file, and the lock around a read-modify-write.
#include <gtest/gtest.h>

#include <chrono>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_util.h"
#include "vault/file_identity.h"
#include "vault/vault_lock.h"
#include "vault/vault_snapshot.h"

using testutil::CTempDir;
using testutil::WriteFile;

TEST(FileIdentity, AChangeIsOtherBytesWhateverTheFileSystemSays) {
    const CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, std::string(100001, 'x'));
    SFileIdentity known;
    ASSERT_TRUE(ReadFileIdentity(path, known));
    const std::string bytes = std::string(100001, 'x');
    EXPECT_EQ(HashBytes(bytes.data(), bytes.size()), known.hash);  // hashing in pieces and at once agree

    SFileIdentity now;
    EXPECT_EQ(CheckFileChange(path, known, now), EFileChange::kUnchanged);

    // Replaced by another file with the same bytes (a sync tool's atomic copy): no change.
    WriteFile(dir.File("tmp"), bytes);
    ASSERT_EQ(rename(dir.File("tmp").c_str(), path.c_str()), 0);
    EXPECT_EQ(CheckFileChange(path, known, now), EFileChange::kUnchanged);
    EXPECT_NE(now.inode, known.inode);

    // One byte changed in place, with the old size and modification time put back.
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    WriteFile(path, std::string(100000, 'x') + "y");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    SFileIdentity current;
    ASSERT_TRUE(ReadFileIdentity(path, current));
    EXPECT_NE(current.hash, now.hash);
    // Same stat as the last identity taken: the check trusts it without hashing.
    EXPECT_EQ(CheckFileChange(path, now, current), EFileChange::kUnchanged);
    EXPECT_EQ(CheckFileChange(path, known, current), EFileChange::kChanged);

    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(CheckFileChange(path, known, now), EFileChange::kGone);
    EXPECT_FALSE(now.exists);
}

TEST(VaultLock, OneHolderAtATimeAcrossProcessesAndNoLockFileLeftBehind) {
    const CTempDir dir;
    const std::string vault = dir.File("v.zlm");
    WriteFile(vault,
              "\x01"
              "0");
    ASSERT_EQ(symlink(vault.c_str(), dir.File("link.zlm").c_str()), 0);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CVaultLock lock;
        const bool locked = lock.Acquire(vault, 1000) == ELockStatus::kLocked;
        (void)!write(ready[1], "r", 1);
        usleep(400 * 1000);
        lock.Release();
        _exit(locked ? 0 : 1);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);

    // Through the link: the same lock, held by the child.
    CVaultLock lock;
    EXPECT_EQ(lock.Acquire(dir.File("link.zlm"), 100), ELockStatus::kTimeout);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock.Acquire(vault, 5000), ELockStatus::kLocked);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);

    lock.Release();
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.zlm", "v.zlm"}));
    close(ready[0]);
    close(ready[1]);
}

TEST(VaultSnapshot, WhatWasWrittenOrReadIsKnownByItsBytesAndReadsBackUnderItsOwnPassword) {
    const CTempDir dir;
    const std::string path = dir.File("v.zlm");
    CVaultData data;
    data.AddEntry("a", "n", "p", "k");
    data.AddEntry("a", "n", "p", "k");  // two equal entries stay two
    data.SetVaultPassword("alt");
    CVaultSnapshot written;
    ASSERT_TRUE(SaveVaultSnapshot(path, data, written).ok());
    // Our own save is the file as it stands: the next look needs no hash and finds no change.
    SFileIdentity onDisk;
    ASSERT_TRUE(ReadFileIdentity(path, onDisk));
    EXPECT_TRUE(onDisk.SameStat(written.Identity()));
    EXPECT_EQ(onDisk.hash, written.Identity().hash);

    // The window's password changed since: the snapshot still reads with the one it was written with.
    data.SetVaultPassword("neu");
    std::vector<CEntry> entries;
    ASSERT_TRUE(written.ReadEntries(entries).ok());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].GetKommentar(), "k");
    EXPECT_TRUE(written.HasEncryptedForm());

    CVaultData read;
    read.SetVaultPassword("alt");
    CVaultSnapshot loaded;
    ASSERT_TRUE(LoadVaultSnapshot(path, read, loaded).ok());
    EXPECT_EQ(read.GetEntryCount(), 2);
    EXPECT_EQ(loaded.Identity().hash, onDisk.hash);

    CVaultData wrong;
    wrong.SetVaultPassword("falsch");
    EXPECT_EQ(LoadVaultSnapshot(path, wrong, loaded).status, EVaultStatus::kWrongPassword);
    EXPECT_FALSE(loaded.HasBytes());
    EXPECT_EQ(wrong.GetEntryCount(), 0);

    // A file of 0 bytes is an empty vault with a snapshot of its own.
    WriteFile(path, "");
    CVaultData empty;
    ASSERT_TRUE(LoadVaultSnapshot(path, empty, loaded).ok());
    EXPECT_TRUE(loaded.HasBytes());
    EXPECT_TRUE(loaded.ReadEntries(entries).ok());
    EXPECT_TRUE(entries.empty());
}
