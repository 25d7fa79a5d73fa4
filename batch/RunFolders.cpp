#include "batch/RunFolders.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"

#include <cstring>
#include <filesystem>

namespace orvek::batch {

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
