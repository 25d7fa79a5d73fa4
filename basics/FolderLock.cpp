#include "basics/FolderLock.h"

#include "basics/Errors.h"
#include "basics/FileCommit.h"
#include "basics/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace orvek {

std::string folderInUseMessage(const std::string& folder) {
    std::string shown = folder;
    while (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) {
        shown.pop_back();
    }
    return "Folder '" + shown + "' is in use by another Orvek C&N run.";
}

FolderLock::FolderLock(const std::string& folder, std::chrono::milliseconds wait) {
    const std::string path =
        withTrailingSeparator(folder.empty() ? "./" : folder) + kFolderLockFileName;
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    if (fd < 0) {
        fd = ::open(path.c_str(), O_RDONLY | kFlags); // a lock taken by a user who may write
    }
    if (fd < 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            ::close(fd);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            throw OrvekError(folderInUseMessage(folder));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing lets go of the lock
    }
}

std::unique_ptr<FolderLock> claimFolder(const std::string& folder, std::chrono::milliseconds wait) {
    auto lock = std::make_unique<FolderLock>(folder, wait);
    if (lock->held()) {
        sweepTemporaries(folder, SweepScope::LockedFolder);
    }
    return lock;
}

} // namespace orvek
