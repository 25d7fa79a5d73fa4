#include "batch/RunFolders.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace orvek::batch {

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = withTrailingSeparator(folder) + ".orvek.lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        throw OrvekError(cannotOpenMessage(path, errno));
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            break; // a file system without locks: go on unguarded rather than refuse to run
        }
        if (std::chrono::steady_clock::now() >= until) {
            ::close(m_fd);
            m_fd = -1;
            std::string shown = folder;
            while (shown.size() > 1 && shown.back() == '/') {
                shown.pop_back();
            }
            throw OrvekError("Folder '" + shown + "' is in use by another Orvek C&N run.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

std::string makeFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!folderExists(folder)) {
        throw OrvekError("Folder '" + folder + "' cannot be created" +
                         (ec ? ": " + ec.message() : std::string()) + ".");
    }
    return withTrailingSeparator(folder);
}

std::string startReadOnlySession(Session& session, const std::string& folder) {
    session.startFolder = withTrailingSeparator(folder);
    session.workingFolder = session.startFolder;
    session.page.weatherFolder = session.startFolder;
    try {
        session.substrates =
            readSubstrateList(resolveFileName(session.startFolder + kSubstratesFileName));
        loadDefaults(session);
    } catch (const OrvekError& e) {
        return e.what();
    }
    return std::string();
}

std::string inFolder(const std::string& folder, const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return withTrailingSeparator(folder) + path;
}

} // namespace orvek::batch
