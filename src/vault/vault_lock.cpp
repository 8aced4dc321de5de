#include "vault/vault_lock.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Canonical(const std::string& path) {
    // The vault itself when it exists (links resolved), else its folder and its name.
    if (char* real = realpath(path.c_str(), nullptr)) {
        std::string out(real);
        std::free(real);
        return out;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (char* real = realpath(dir.c_str(), nullptr)) {
        std::string out(real);
        std::free(real);
        return (out == "/" ? out : out + "/") + name;
    }
    return path;
}

}  // namespace

std::string CVaultLock::LockPathFor(const std::string& vaultPath) {
    const std::string canonical = Canonical(vaultPath);
    const std::size_t slash = canonical.find_last_of('/');
    if (slash == std::string::npos) {
        return "." + canonical + ".lock";
    }
    return canonical.substr(0, slash + 1) + "." + canonical.substr(slash + 1) + ".lock";
}

ELockStatus CVaultLock::Acquire(const std::string& vaultPath, int timeoutMs) {
    Release();
    m_strLockPath = LockPathFor(vaultPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int fd = open(m_strLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            return ELockStatus::kError;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us may have removed the file between our open and our lock: then
            // this lock guards nothing, and the file at the path is a new one.
            struct stat held;
            struct stat now;
            if (fstat(fd, &held) == 0 && stat(m_strLockPath.c_str(), &now) == 0 &&
                held.st_dev == now.st_dev && held.st_ino == now.st_ino) {
                m_fd = fd;
                return ELockStatus::kLocked;
            }
            close(fd);
            continue;
        }
        const int error = errno;
        close(fd);
        if (error != EWOULDBLOCK && error != EINTR) {
            return ELockStatus::kError;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return ELockStatus::kTimeout;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CVaultLock::Release() {
    if (m_fd < 0) {
        return;
    }
    // Removed while still locked, so that a waiter who opened the old file notices and retries.
    unlink(m_strLockPath.c_str());
    close(m_fd);
    m_fd = -1;
}
