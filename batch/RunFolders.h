#pragma once

#include "run/StartUp.h"

#include <string>

namespace orvek::batch {

// Holds the advisory lock ".orvek.lock" of a folder where working and result files are written,
// so that two runs never write into the same folder at once. Waits up to 5 s for another
// holder, then raises OrvekError naming the folder. The lock file itself is never deleted.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
};

// Creates the folder (and its parents) when it does not exist; returns it with a trailing
// separator. Raises OrvekError when it cannot be made.
std::string makeFolder(const std::string& folder);

// Starts as a run does in the start folder, reading it only: no working file is removed there,
// since other runs may share it. Returns the start-up message, or an empty text.
std::string startReadOnlySession(Session& session, const std::string& folder);

// A path given on the command line, taken from the folder when it is relative.
std::string inFolder(const std::string& folder, const std::string& path);

} // namespace orvek::batch
