// Vault files on disk: loading, the atomic save and the failure texts.
#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_util.h"
#include "vault/vault_file.h"

using testutil::CTempDir;
using testutil::ReadFile;
using testutil::WriteFile;

namespace {

// A small vault of its own for each test.
struct SSample {
    explicit SSample(const std::string& password, int entries = 3) {
        data.SetVaultPassword(password);
        for (int i = 0; i < entries; ++i) {
            data.AddEntry("site" + std::to_string(i), "name", "secret", std::string(100, 'c'));
        }
    }
    CVaultData data;
};

mode_t ModeOf(const std::string& path) {
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

bool IsLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Makes a folder refuse new files for as long as it lives: by mode when that stops us, else (as
// root) by the immutable attribute.
class CLockedFolder {
public:
    explicit CLockedFolder(const std::string& path) : m_path(path) {
        chmod(path.c_str(), 0555);
        const std::string probe = path + "/probe";
        const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            m_locked = true;
            return;
        }
        close(fd);
        unlink(probe.c_str());
        m_fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_locked = m_immutable = ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~CLockedFolder() {
        if (m_immutable) {
            int flags = 0;
            ioctl(m_fd, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
        chmod(m_path.c_str(), 0755);
    }
    bool Locked() const { return m_locked; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_locked = false;
    bool m_immutable = false;
};

}  // namespace

TEST(VaultFile, SaveAndLoadInBothForms) {
    CTempDir dir;
    for (const char* password : {"", "Geheimnis"}) {
        const SSample sample(password);
        const CVaultData& data = sample.data;
        const std::string path = dir.File(std::string("vault") + password + ".zlm");
        ASSERT_TRUE(SaveVaultFile(path, data).ok());
        EXPECT_EQ(ModeOf(path), 0600u);
        EXPECT_EQ(ReadFile(path), testutil::WriteToMemory(data));

        CVaultData read;
        read.SetVaultPassword(password);
        ASSERT_TRUE(LoadVaultFile(path, read).ok());
        testutil::ExpectSameEntries(read, data);
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"vault.zlm", "vaultGeheimnis.zlm"}))
        << "no temporary file left";
}

TEST(VaultFile, LoadingSpecialFiles) {
    CTempDir dir;
    CVaultData data;
    WriteFile(dir.File("empty.zlm"), "");
    EXPECT_TRUE(LoadVaultFile(dir.File("empty.zlm"), data).ok());
    EXPECT_EQ(data.GetEntryCount(), 0);

    EXPECT_EQ(LoadVaultFile(dir.File("missing.zlm"), data).cause, EFileErrorCause::kFileNotFound);
    EXPECT_EQ(LoadVaultFile(dir.Path(), data).cause, EFileErrorCause::kAccessDenied);
    EXPECT_EQ(LoadVaultFile(dir.File("missing/x.zlm"), data).cause, EFileErrorCause::kFileNotFound);
    WriteFile(dir.File("file"), "");
    EXPECT_EQ(LoadVaultFile(dir.File("file/x.zlm"), data).cause, EFileErrorCause::kBadPath);

    WriteFile(dir.File("short.zlm"), testutil::FromHex("01 32 01 61 01 62 01 63 01 64 01"));
    const SVaultResult result = LoadVaultFile(dir.File("short.zlm"), data);
    EXPECT_EQ(result.status, EVaultStatus::kEndOfData);
    EXPECT_EQ(data.GetEntryCount(), 1) << "the entry before the end stays";
}

TEST(VaultFile, ReplacedFileKeepsItsMode) {
    CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, "old");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(SaveVaultFile(path, SSample("pw").data).ok());
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ReadFile(path), testutil::WriteToMemory(SSample("pw").data));
}

TEST(VaultFile, SaveThatNeverReplaces) {
    CTempDir dir;
    const std::string path = dir.File("new.kdbx");
    ASSERT_TRUE(SaveFileBytes(path, "first", nullptr, EReplace::kNever).ok());
    EXPECT_EQ(ReadFile(path), "first");
    EXPECT_EQ(ModeOf(path), 0600u);

    const SVaultResult result = SaveFileBytes(path, "second", nullptr, EReplace::kNever);
    EXPECT_EQ(result.status, EVaultStatus::kFileError);
    EXPECT_EQ(result.sysError, EEXIST);
    EXPECT_EQ(ReadFile(path), "first");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"new.kdbx"})) << "no temporary file stays";
}

TEST(VaultFile, SymbolicLinksAreSavedToTheirTargetAndStay) {
    CTempDir dir;
    ASSERT_EQ(mkdir(dir.File("real").c_str(), 0700), 0);
    const std::string target = dir.File("real/v.zlm");
    WriteFile(target, "old");
    chmod(target.c_str(), 0644);
    // link2 -> link1 -> real/v.zlm, both relative.
    ASSERT_EQ(symlink("real/v.zlm", dir.File("link1").c_str()), 0);
    ASSERT_EQ(symlink("link1", dir.File("link2").c_str()), 0);
    const SSample sample("pw");
    const CVaultData& data = sample.data;
    ASSERT_TRUE(SaveVaultFile(dir.File("link2"), data).ok());
    EXPECT_TRUE(IsLink(dir.File("link1")));
    EXPECT_TRUE(IsLink(dir.File("link2")));
    EXPECT_EQ(ReadFile(target), testutil::WriteToMemory(data));
    EXPECT_EQ(ModeOf(target), 0640u) << "the mode without the bits for others";
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link1", "link2", "real"}));

    // A dangling link gets its target created.
    ASSERT_EQ(symlink("real/new.zlm", dir.File("dangling").c_str()), 0);
    ASSERT_TRUE(SaveVaultFile(dir.File("dangling"), data).ok());
    EXPECT_TRUE(IsLink(dir.File("dangling")));
    EXPECT_EQ(ReadFile(dir.File("real/new.zlm")), testutil::WriteToMemory(data));

    // A loop is a bad path.
    ASSERT_EQ(symlink("loop", dir.File("loop").c_str()), 0);
    EXPECT_EQ(SaveVaultFile(dir.File("loop"), data).cause, EFileErrorCause::kBadPath);
}

TEST(VaultFile, FailedSavesLeaveTheOldFile) {
    CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, "the old vault");

    // Into a missing folder.
    SVaultResult result = SaveVaultFile(dir.File("missing/v.zlm"), SSample("").data);
    EXPECT_EQ(result.status, EVaultStatus::kFileError);
    EXPECT_EQ(result.cause, EFileErrorCause::kFileNotFound);

    // Over a folder.
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    EXPECT_EQ(SaveVaultFile(dir.File("folder"), SSample("").data).cause, EFileErrorCause::kAccessDenied);

    // A text the encrypted form cannot keep.
    SSample zero("pw");
    zero.data.AddEntry(std::string("a\0b", 3), "", "", "");
    EXPECT_EQ(SaveVaultFile(path, zero.data).status, EVaultStatus::kZeroByteInText);

    // Memory runs out once the temporary file exists (the writer's buffer).
    const SSample sample("pw");
    {
        testutil::CAllocationProbe probe(8192);
        result = SaveVaultFile(path, sample.data);
    }
    EXPECT_EQ(result.status, EVaultStatus::kOutOfMemory);

    EXPECT_EQ(ReadFile(path), "the old vault");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder", "v.zlm"}));
}

// Sets the immutable attribute on a file for as long as it lives, where the caller may.
class CImmutableFile {
public:
    explicit CImmutableFile(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY)) {
        int flags = 0;
        if (m_fd >= 0 && ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_set = ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~CImmutableFile() {
        int flags = 0;
        if (m_set && ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    bool Set() const { return m_set; }

private:
    int m_fd;
    bool m_set = false;
};

TEST(VaultFile, ReadOnlyVaultIsNotReplaced) {
    CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, "the old vault");
    ASSERT_EQ(symlink("v.zlm", dir.File("link").c_str()), 0);
    chmod(path.c_str(), 0400);
    for (const std::string& name : {path, dir.File("link")}) {
        const SVaultResult result = SaveVaultFile(name, SSample("pw").data);
        EXPECT_EQ(result.cause, EFileErrorCause::kAccessDenied) << name;
        EXPECT_EQ(VaultErrorTemplate(result, true), "Zugriff auf %1 wurde verwehrt.");
    }
    EXPECT_EQ(ReadFile(path), "the old vault");
    EXPECT_EQ(ModeOf(path), 0400u);

    chmod(path.c_str(), 0600);
    {
        CImmutableFile immutable(path);
        if (immutable.Set()) {
            EXPECT_EQ(SaveVaultFile(path, SSample("pw").data).cause, EFileErrorCause::kAccessDenied);
        }
    }
    EXPECT_EQ(ReadFile(path), "the old vault");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link", "v.zlm"})) << "no temporary file left";
    EXPECT_TRUE(SaveVaultFile(path, SSample("pw").data).ok()) << "writable again";
}

TEST(VaultFile, SaveIntoALockedFolder) {
    CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, "the old vault");
    SVaultResult result;
    {
        CLockedFolder lock(dir.Path());
        if (!lock.Locked()) {
            GTEST_SKIP() << "this file system cannot make a folder refuse new files";
        }
        result = SaveVaultFile(path, SSample("pw").data);
    }
    EXPECT_EQ(result.status, EVaultStatus::kFileError);
    EXPECT_EQ(result.cause, EFileErrorCause::kAccessDenied);
    EXPECT_EQ(ReadFile(path), "the old vault");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"v.zlm"}));
}

TEST(VaultFile, SaveBeyondTheFileSizeLimit) {
    CTempDir dir;
    const std::string path = dir.File("v.zlm");
    WriteFile(path, "the old vault");
    const SSample big("pw", 2000);  // about 300 KB

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const SVaultResult result = SaveVaultFile(path, big.data);
        _exit(result.cause == EFileErrorCause::kDiskFull ? 0 : 1 + static_cast<int>(result.status));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail as disk full";
    EXPECT_EQ(ReadFile(path), "the old vault");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"v.zlm"})) << "no temporary file left";
}

TEST(VaultFile, TellsTheEncryptedFormFromThePlainForm) {
    CTempDir dir;
    auto is = [&](const std::string& name, const std::string& bytes) {
        WriteFile(dir.File(name), bytes);
        return IsEncryptedVaultFile(dir.File(name));
    };
    const std::string encrypted = testutil::WriteToMemory(SSample("pw").data);
    EXPECT_TRUE(is("encrypted.zlm", encrypted));
    EXPECT_TRUE(is("truncated.zlm", encrypted.substr(0, encrypted.size() - 20)));
    EXPECT_FALSE(is("plain.zlm", testutil::WriteToMemory(SSample("").data)));
    EXPECT_FALSE(is("empty.zlm", ""));
    EXPECT_FALSE(is("no-entries.zlm", testutil::FromHex("01 30")));
    EXPECT_FALSE(IsEncryptedVaultFile(dir.File("missing.zlm")));
    EXPECT_FALSE(IsEncryptedVaultFile(dir.Path()));

    // An encrypted vault opened without its password, one entry added, saved: still encrypted.
    CVaultData raw;
    ASSERT_TRUE(testutil::ReadFromMemory(encrypted, raw).ok());
    raw.AddEntry("typed", "", "", "");
    EXPECT_TRUE(is("mixed.zlm", testutil::WriteToMemory(raw)));

    // Plain texts that happen to look like one encrypted field each do not make a vault encrypted.
    CVaultData lookalike;
    lookalike.AddEntry("8 abcdefgh", "name", "", "16 0123456789abcdef");
    lookalike.AddEntry("site", "", "", "");
    EXPECT_FALSE(is("lookalike.zlm", testutil::WriteToMemory(lookalike)));
}

TEST(VaultFile, ErrorTexts) {
    auto text = [](EVaultStatus status, EFileErrorCause cause, bool saving) {
        SVaultResult r;
        r.status = status;
        r.cause = cause;
        return VaultErrorTemplate(r, saving);
    };
    EXPECT_EQ(text(EVaultStatus::kOk, EFileErrorCause::kNone, false), "");
    EXPECT_EQ(text(EVaultStatus::kEndOfData, EFileErrorCause::kNone, false), "Unerwartetes Dateiformat.");
    EXPECT_EQ(text(EVaultStatus::kWrongPassword, EFileErrorCause::kNone, false),
              "Das Passwort passt nicht zu %1, oder die Datei ist nicht verschl\xFC"
              "sselt.");
    EXPECT_EQ(text(EVaultStatus::kGeneralError, EFileErrorCause::kNone, false),
              "Fehler beim \xD6"
              "ffnen des Dokuments.");
    EXPECT_EQ(text(EVaultStatus::kOutOfMemory, EFileErrorCause::kNone, true),
              "Fehler beim Speichern des Dokuments.");
    EXPECT_EQ(text(EVaultStatus::kFileError, EFileErrorCause::kTooManyOpenFiles, false),
              "%1 konnte nicht ge\xF6"
              "ffnet werden, da zu viele Dateien ge\xF6"
              "ffnet sind.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(ENOENT), false), "%1 wurde nicht gefunden.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(EROFS), true), "Zugriff auf %1 wurde verwehrt.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(EDQUOT), true),
              "Beim Zugriff auf %1 wurde ein voller Datentr\xE4ger gemeldet.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(ENAMETOOLONG), true),
              "%1 enth\xE4lt eine ung\xFCltige Pfadangabe.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(EOVERFLOW), false),
              "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(EIO), true),
              "Ein Hardware-E/A-Fehler wurde w\xE4hrend des Zugriffs auf %1 gemeldet.");
    EXPECT_EQ(VaultErrorTemplate(FileErrorResult(EPROTO), true),
              "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.");
}
