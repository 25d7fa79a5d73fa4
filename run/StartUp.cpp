#include "run/StartUp.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"
#include "formats/SettingFile.h"
#include "run/PageRules.h"
#include "run/StartFolder.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace orvek {

namespace {

// The folder relative paths in a setting file are taken from: the file's own. A file given by a
// bare name lies in the current folder, which is named in full, since an empty folder would
// stand for the start folder.
std::string baseFolderOf(const std::string& settingFile) {
    const std::string folder = folderPart(settingFile);
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return folder.empty() && !ec ? withTrailingSeparator(current.string()) : folder;
}

} // namespace

std::string plainShortDate(DateSerial date) {
    const CalendarDate c = decodeDate(date);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d/%d/%02d", c.month, c.day, ((c.year % 100) + 100) % 100);
    return buf;
}

RecordFormats plainRecordFormats() {
    RecordFormats f;
    f.shortDate = plainShortDate;
    f.decimalSeparator = '.';
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%d/%d/%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    f.runDate = date;
    f.runTime = time;
    return f;
}

std::string startSession(Session& session, const std::string& folder,
                         const std::function<void(const std::string&)>& prepareFolder) {
    session.startFolder = withTrailingSeparator(folder);
    // Until the options name one: the user's documents, never the program's own folder.
    session.workingFolder = documentsFolder(processEnvironment());
    session.page.weatherFolder = session.startFolder;
    if (prepareFolder) {
        prepareFolder(session.startFolder);
    }
    try {
        session.substrates =
            readSubstrateList(resolveFileName(session.startFolder + kSubstratesFileName));
        loadDefaults(session);
    } catch (const OrvekError& e) {
        return e.what();
    }
    return std::string();
}

void loadDefaults(Session& session) {
    const std::string path = resolveFileName(session.startFolder + kOptionsFileName);
    if (!fileExists(path)) {
        throw OrvekError("File not found");
    }
    PageModel model(session);
    applyOptionsFile(readTextFile(path, size_t{1} << 20), model, path);
}

void retrieveSettings(Session& session, const std::string& path) {
    const std::string file = resolveFileName(path);
    if (!fileExists(file)) {
        throw OrvekError("File not found");
    }
    // The whole file is read first, so that a file that cannot be read changes nothing.
    const std::string content = readTextFile(file, size_t{1} << 20);
    PageModel model(session);
    applySettingFile(content, model, baseFolderOf(file));
}

void saveSettings(const Session& session, const std::string& path) {
    writeFileAtomically(path, settingFileContent(session.page));
}

} // namespace orvek
