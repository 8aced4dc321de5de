#include "vault/vault_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

#include "vault/secure_wipe.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SVaultResult StatusResult(EVaultStatus status) {
    SVaultResult result;
    result.status = status;
    return result;
}

// Closes a descriptor on every path out of a function.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() { Close(); }
    int Get() const { return m_fd; }
    void Reset(int fd) {
        Close();
        m_fd = fd;
    }
    int Close() {
        const int rc = m_fd >= 0 ? close(m_fd) : 0;
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

std::string DirName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The kernel's protected-symlinks rule, which following links by hand would bypass: in a sticky
// folder that everyone may write, a link is followed only when it belongs to the user or to the
// folder's owner.  Otherwise another user could plant one that leads our vault into their file.
int RefusesFollowing(const std::string& link, const struct stat& linkStat) {
    struct stat folder;
    if (stat(DirName(link).c_str(), &folder) != 0) {
        return errno;
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    if (shared && linkStat.st_uid != geteuid() && linkStat.st_uid != folder.st_uid) {
        return EACCES;
    }
    return 0;
}

// Follows a chain of symbolic links to the file they finally name (which may not exist yet), so
// that saving replaces that file and leaves the links in place.
int ResolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(target.c_str(), &st) != 0) {
            return errno == ENOENT ? 0 : errno;
        }
        if (!S_ISLNK(st.st_mode)) {
            return 0;
        }
        if (const int error = RefusesFollowing(target, st)) {
            return error;
        }
        char link[PATH_MAX];
        const ssize_t n = readlink(target.c_str(), link, sizeof link);
        if (n < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(n) == sizeof link) {
            return ENAMETOOLONG;
        }
        const std::string next(link, static_cast<std::size_t>(n));
        target = next[0] == '/' ? next : DirName(target).append(1, '/').append(next);
    }
    return ELOOP;
}

constexpr std::size_t kSuffixLength = 12;

std::string RandomSuffix() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[kSuffixLength];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // No entropy source: O_EXCL still makes the name safe, only guessable.
        unsigned long long seed = static_cast<unsigned long long>(getpid()) * 0x9E3779B97F4A7C15ull ^
                                  reinterpret_cast<std::uintptr_t>(&bytes);
        for (auto& b : bytes) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            b = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string suffix;
    for (unsigned char b : bytes) {
        suffix.push_back(kAlphabet[b % (sizeof kAlphabet - 1)]);
    }
    return suffix;
}

// The temporary files of target are named TempStem(target) + kSuffixLength letters + ".tmp";
// short enough for any file system's name limit, whatever the target's name.
std::string TempStem(const std::string& target) {
    return "." + BaseName(target).substr(0, 100) + ".";
}

bool IsTempName(const std::string& name, const std::string& stem) {
    static const std::string kTmp = ".tmp";
    if (name.size() != stem.size() + kSuffixLength + kTmp.size() || name.compare(0, stem.size(), stem) != 0 ||
        name.compare(name.size() - kTmp.size(), kTmp.size(), kTmp) != 0) {
        return false;
    }
    for (std::size_t i = stem.size(); i < stem.size() + kSuffixLength; ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// A save that was killed leaves its temporary file behind.  The next save of the same vault removes
// those of its own pattern that are the user's regular files and older than an hour (a save still
// running elsewhere is younger); nothing else.  Before the save, so that their room is free for it.
void RemoveStaleTempFiles(const std::string& target) {
    DIR* folder = opendir(DirName(target).c_str());
    if (!folder) {
        return;
    }
    const std::string stem = TempStem(target);
    const time_t limit = time(nullptr) - 3600;
    while (const dirent* item = readdir(folder)) {
        if (!IsTempName(item->d_name, stem)) {
            continue;
        }
        struct stat st;
        if (fstatat(dirfd(folder), item->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == geteuid() && st.st_mtime < limit) {
            unlinkat(dirfd(folder), item->d_name, 0);
        }
    }
    closedir(folder);
}

// A new file next to target, opened O_CREAT | O_EXCL with mode 0600.
int CreateTempFile(const std::string& target, std::string& tempPath, int& fd) {
    const std::string stem = DirName(target) + "/" + TempStem(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + RandomSuffix() + ".tmp";
        fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

// The temporary file is removed on every way out (an exception among them) unless it became the
// vault.
class CTempFile {
public:
    explicit CTempFile(std::string path) : m_path(std::move(path)) {}
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;
    ~CTempFile() {
        if (!m_path.empty()) {
            unlink(m_path.c_str());
        }
    }
    const std::string& Path() const { return m_path; }
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
};

int SyncFolder(const std::string& folder) {
    CFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0) {
        return errno;
    }
    if (fsync(dir.Get()) != 0 && errno != EINVAL && errno != EROFS) {  // some file systems cannot
        return errno;
    }
    return 0;
}

// The rename needs only the folder, so it would replace a file that its user made read-only
// (mode, immutable attribute, someone else's file).  Saving must honour the file itself.  The
// privileged user passes every mode check; like the kernel does for execute bits, it is refused
// when no write bit is set at all.
int RefusesWriting(const std::string& target, const struct stat& st) {
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    if (geteuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return EACCES;
    }
    return 0;
}

// Writes the content into the open temporary file and makes it durable.
SVaultResult WriteTemp(int fd, const struct stat* old,
                       const std::function<SVaultResult(CArchiveWriter&)>& content) {
    if (old) {
        // The replaced file's owner (where we may give it) and mode carry over to its successor, but
        // never the bits that let everyone read the vault.
        if (old->st_uid != geteuid() || old->st_gid != getegid()) {
            if (fchown(fd, old->st_uid, old->st_gid) != 0) {
                // Not ours to give away: the new file stays ours, with the old mode.
            }
        }
        if (fchmod(fd, old->st_mode & 07777 & ~static_cast<mode_t>(S_IRWXO)) != 0) {
            return FileErrorResult(errno);
        }
    }
    CArchiveWriter ar(fd);
    SVaultResult result = content(ar);
    if (!result.ok()) {
        return result;
    }
    if (fsync(fd) != 0) {
        return FileErrorResult(errno);
    }
    return result;
}

// Opens path for reading, blocking reads, refusing anything but a regular file (a FIFO, a device
// or a socket would block the read or never end) and links that the protected-symlinks rule
// refuses.  Non-blocking only for the open itself, so that a FIFO cannot hang it.
int OpenForReading(const std::string& path, CFd& fd, struct stat& st) {
    std::string target;
    if (const int error = ResolveLinks(path, target)) {
        return error;
    }
    fd.Reset(open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) {
        return errno;
    }
    if (fstat(fd.Get(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    }
    const int flags = fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return errno;
    }
    return 0;
}

// Puts the finished temporary file at target, replacing what is there, or, with mayReplace false,
// only where nothing is: a file that appeared since the check is then never replaced (EEXIST).
// linked tells that the temporary name still stands beside the target and is the caller's to remove.
int PutInPlace(const std::string& temp, const std::string& target, bool mayReplace, bool& linked) {
    linked = false;
    if (mayReplace) {
        return rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
    }
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // A file system without the flag: a hard link is just as exclusive.
    if (link(temp.c_str(), target.c_str()) == 0) {
        linked = true;
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
    // Neither (FAT, some network shares): the check before the save is all there is.
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {
        return EEXIST;
    }
    return rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

// The atomic save: the content goes into a temporary file next to the target, which then replaces
// it by a rename.  With bytes and written given (bytes being what content writes), written
// receives the new file's identity.
SVaultResult SaveAtomically(const std::string& path,
                            const std::function<SVaultResult(CArchiveWriter&)>& content,
                            const std::string* bytes = nullptr, SFileIdentity* written = nullptr,
                            bool mayReplace = true) {
    try {
        if (path.empty()) {
            return FileErrorResult(ENOENT);
        }
        std::string target;
        if (const int error = ResolveLinks(path, target)) {
            return FileErrorResult(error);
        }
        if (BaseName(target).empty()) {
            return FileErrorResult(EISDIR);
        }
        struct stat old;
        const bool replacing = stat(target.c_str(), &old) == 0;
        if (!replacing && errno != ENOENT) {
            return FileErrorResult(errno);
        }
        if (replacing && !mayReplace) {
            return FileErrorResult(EEXIST);
        }
        if (replacing && !S_ISREG(old.st_mode)) {
            // A rename would put the vault in place of a folder, a device or a pipe.
            return FileErrorResult(S_ISDIR(old.st_mode) ? EISDIR : EACCES);
        }
        if (replacing) {
            if (const int error = RefusesWriting(target, old)) {
                return FileErrorResult(error);
            }
        }

        RemoveStaleTempFiles(target);
        std::string tempPath;
        int rawFd = -1;
        if (const int error = CreateTempFile(target, tempPath, rawFd)) {
            return FileErrorResult(error);
        }
        CFd fd(rawFd);
        CTempFile temp(std::move(tempPath));
        SVaultResult result = WriteTemp(fd.Get(), replacing ? &old : nullptr, content);
        // Taken after the last write and fsync: the rename keeps inode and modification time.
        if (result.ok() && written &&
            !FileIdentityOfDescriptor(fd.Get(), bytes->data(), bytes->size(), *written)) {
            result = FileErrorResult(errno);
        }
        if (fd.Close() != 0 && result.ok()) {
            result = FileErrorResult(errno);
        }
        bool linked = false;
        if (result.ok()) {
            if (const int error = PutInPlace(temp.Path(), target, mayReplace, linked)) {
                result = FileErrorResult(error);
            }
        }
        if (!result.ok()) {
            return result;
        }
        if (!linked) {
            temp.Keep();
        }
        if (const int error = SyncFolder(DirName(target))) {
            // The new file is in place; only its durability is in doubt.
            return FileErrorResult(error);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return StatusResult(EVaultStatus::kOutOfMemory);
    } catch (const std::exception&) {
        return StatusResult(EVaultStatus::kGeneralError);
    }
}

}  // namespace

SVaultResult LoadVaultFile(const std::string& path, CVaultData& data) {
    CFd fd;
    struct stat st;
    if (const int error = OpenForReading(path, fd, st)) {
        return FileErrorResult(error);
    }
    if (st.st_size == 0) {
        return {};
    }
    try {
        CArchiveReader ar(fd.Get());
        return ReadVault(ar, data);
    } catch (const std::bad_alloc&) {  // the reader's buffer
        return StatusResult(EVaultStatus::kOutOfMemory);
    }
}

SVaultResult CheckVaultFileReadable(const std::string& path) {
    CFd fd;
    struct stat st;
    if (const int error = OpenForReading(path, fd, st)) {
        return FileErrorResult(error);
    }
    return {};
}

bool IsRefusedLink(const std::string& path) {
    std::string target;
    return ResolveLinks(path, target) == EACCES;
}

bool IsEncryptedVaultFile(const std::string& path) {
    try {
        CFd fd;
        struct stat st;
        if (OpenForReading(path, fd, st) != 0) {
            return false;
        }
        CArchiveReader ar(fd.Get());
        return HasEncryptedForm(ar);
    } catch (const std::exception&) {
        return false;
    }
}

SVaultResult SaveVaultFile(const std::string& path, const CVaultData& data) {
    return SaveAtomically(path, [&](CArchiveWriter& ar) { return WriteVault(ar, data); });
}

SVaultResult SaveFileBytes(const std::string& path, const std::string& bytes, SFileIdentity* written,
                           EReplace replace) {
    return SaveAtomically(
        path,
        [&](CArchiveWriter& ar) {
            ar.Write(bytes.data(), bytes.size());
            ar.Flush();
            SVaultResult result;
            if (ar.Status() != EStreamStatus::kOk) {
                result = FileErrorResult(ar.Errno());
            }
            return result;
        },
        &bytes, written, replace == EReplace::kAllowed);
}

SVaultResult ReadFileBytes(const std::string& path, std::string& bytes, SFileIdentity& identity) {
    SecureWipe(bytes);
    identity = SFileIdentity();
    CFd fd;
    struct stat st;
    if (const int error = OpenForReading(path, fd, st)) {
        return FileErrorResult(error);
    }
    // Room for what fstat said and one byte more, to notice a file that grew meanwhile; a larger
    // buffer is a new one, and the old one is wiped, never left to the allocator.
    std::string buffer;
    try {
        buffer.resize(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t have = 0;
        for (;;) {
            if (have == buffer.size()) {
                std::string larger;
                larger.resize(buffer.size() * 2);
                larger.replace(0, have, buffer, 0, have);
                SecureWipe(buffer);
                buffer.swap(larger);
            }
            const ssize_t n = read(fd.Get(), &buffer[have], buffer.size() - have);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                const int error = errno;
                SecureWipe(buffer);
                return FileErrorResult(error);
            }
            if (n == 0) {
                break;
            }
            have += static_cast<std::size_t>(n);
        }
        if (!FileIdentityOfDescriptor(fd.Get(), buffer.data(), have, identity)) {
            const int error = errno;
            SecureWipe(buffer);
            return FileErrorResult(error);
        }
        buffer.resize(have);  // shrinking keeps the buffer
        bytes.swap(buffer);
        return {};
    } catch (const std::bad_alloc&) {
        SecureWipe(buffer);
        return StatusResult(EVaultStatus::kOutOfMemory);
    }
}

std::string VaultErrorTemplate(const SVaultResult& result, bool saving) {
    // Code page 1252: \xD6 = Ö, \xFC = ü.
    switch (result.status) {
        case EVaultStatus::kOk:
            return {};
        case EVaultStatus::kEndOfData:
            return "Unerwartetes Dateiformat.";
        case EVaultStatus::kWrongPassword:
            return "Das Passwort passt nicht zu %1, oder die Datei ist nicht verschl\xFC"
                   "sselt.";
        case EVaultStatus::kFileError:
            break;
        case EVaultStatus::kOutOfMemory:
        case EVaultStatus::kGeneralError:
        case EVaultStatus::kZeroByteInText:
            return saving ? "Fehler beim Speichern des Dokuments."
                          : "Fehler beim \xD6"
                            "ffnen des Dokuments.";
    }
    switch (result.cause) {
        case EFileErrorCause::kFileNotFound:
            return "%1 wurde nicht gefunden.";
        case EFileErrorCause::kBadPath:
            return "%1 enth\xE4lt eine ung\xFCltige Pfadangabe.";
        case EFileErrorCause::kTooManyOpenFiles:
            return "%1 konnte nicht ge\xF6"
                   "ffnet werden, da zu viele Dateien ge\xF6"
                   "ffnet sind.";
        case EFileErrorCause::kAccessDenied:
            return "Zugriff auf %1 wurde verwehrt.";
        case EFileErrorCause::kInvalidFile:
            return "Eine ung\xFCltige Dateikennung war mit %1 verbunden.";
        case EFileErrorCause::kDirectoryFull:
            return "%1 konnte nicht erstellt werden, da das Verzeichnis voll ist.";
        case EFileErrorCause::kBadSeek:
            return "Positionierungsfehler auf %1.";
        case EFileErrorCause::kHardIO:
            return "Ein Hardware-E/A-Fehler wurde w\xE4hrend des Zugriffs auf %1 gemeldet.";
        case EFileErrorCause::kSharingViolation:
            return "Eine Zugriffsverletzung ist w\xE4hrend des Zugriffs auf %1 aufgetreten.";
        case EFileErrorCause::kLockViolation:
            return "Eine Sperrverletzung ist w\xE4hrend des Zugriffs auf %1 aufgetreten.";
        case EFileErrorCause::kDiskFull:
            return "Beim Zugriff auf %1 wurde ein voller Datentr\xE4ger gemeldet.";
        case EFileErrorCause::kEndOfFile:
            return "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen.";
        case EFileErrorCause::kNone:
        case EFileErrorCause::kGeneric:
            break;
    }
    return "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.";
}
