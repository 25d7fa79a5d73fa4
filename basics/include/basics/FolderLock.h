#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace orvek {

inline constexpr const char* kFolderLockFileName = ".orvek.lock";

// The lock of a folder where working and result files are written: an advisory lock on the
// file ".orvek.lock" in it, held by a command-line run for its run and by the window for its
// whole session, so that two of them never write or read each other's files. The lock file
// itself is never deleted: removing it while another process waits on it would let a third
// take a fresh one beside it.
class FolderLock {
public:
    // Takes the lock, waiting up to `wait` for another holder to let go; raises OrvekError
    // "Folder '<folder>' is in use by another Orvek C&N run." when it stays held. A folder
    // where the lock file cannot be made at all (read-only, or a file system without locks) is
    // used without it: nothing can be written there anyway, or nothing could guard it.
    explicit FolderLock(const std::string& folder,
                        std::chrono::milliseconds wait = std::chrono::seconds(5));
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Takes the folder's lock and then clears what ended processes left there: their temporaries,
// and the files of a commit a killed run left half done. Raises OrvekError as FolderLock does.
std::unique_ptr<FolderLock> claimFolder(const std::string& folder,
                                        std::chrono::milliseconds wait = std::chrono::seconds(5));

// "Folder '/home/me/runs' is in use by another Orvek C&N run."
std::string folderInUseMessage(const std::string& folder);

} // namespace orvek
