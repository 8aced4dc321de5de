// An advisory lock around a read-modify-write of one vault file, shared by every Zelmora process
// of the user: a lock file ".NAME.lock" beside the vault, locked with flock and removed again on
// release.
#pragma once

#include <string>

enum class ELockStatus {
    kLocked,
    kTimeout,  // another process held the lock for the whole wait
    kError,    // the lock file could not be made or locked
};

class CVaultLock {
public:
    // How long every writer waits for another one's read-modify-write to end.
    static constexpr int kWaitMs = 10000;

    CVaultLock() = default;
    CVaultLock(const CVaultLock&) = delete;
    CVaultLock& operator=(const CVaultLock&) = delete;
    ~CVaultLock() { Release(); }

    // Waits up to timeoutMs for the lock of the vault at path (links followed, so that every path
    // to one file takes the same lock).
    ELockStatus Acquire(const std::string& vaultPath, int timeoutMs);
    void Release();

    // Where the lock of the vault at path lives.
    static std::string LockPathFor(const std::string& vaultPath);

private:
    int m_fd = -1;
    std::string m_strLockPath;
};
