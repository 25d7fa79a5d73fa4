#include "run/StartFolder.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/OptionsFile.h"
#include "model/Parameters.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace orvek {

namespace fs = std::filesystem;

namespace {

std::string variable(const Environment& env, const char* name) {
    const char* value = env ? env(name) : nullptr;
    return value ? std::string(value) : std::string();
}

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

std::string absoluteFolder(const std::string& folder) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(folder), ec);
    if (ec) {
        p = fs::path(folder);
    }
    return withTrailingSeparator(p.lexically_normal().string());
}

// XDG_DOCUMENTS_DIR as xdg-user-dirs writes it: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string documentsFromUserDirs(const Environment& env, const std::string& home) {
    std::string config = variable(env, "XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') {
        config = home + ".config";
    }
    std::string content;
    try {
        content = readWholeFile(withTrailingSeparator(config) + "user-dirs.dirs", size_t{1} << 16);
    } catch (const OrvekError&) {
        return std::string();
    }
    for (const std::string& raw : splitLines(content)) {
        const std::string line(trimBlanks(raw));
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (!line.starts_with(key)) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.starts_with("$HOME")) {
            value = home + value.substr(std::min(value.size(), size_t{6}));
        }
        return value;
    }
    return std::string();
}

bool isHidden(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name[0] == '.';
}

bool holdsVisibleEntries(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isHidden(it->path())) {
            return true;
        }
    }
    return false;
}

bool isReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

void createFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !isDirectory(folder)) {
        throw OrvekError("Folder '" + folder.string() + "' could not be created. " +
                         (ec ? ec.message() : std::string("A file of that name is in the way.")));
    }
}

} // namespace

Environment processEnvironment() {
    return [](const char* name) -> const char* { return std::getenv(name); };
}

std::string bundledDataFolder(const std::string& executable) {
    if (executable.empty()) {
        return std::string();
    }
    std::error_code ec;
    const fs::path exe = fs::absolute(fs::path(executable), ec);
    const fs::path bin = exe.parent_path();
    const fs::path installed = bin.parent_path() / "share" / kProgramFolderName;
    if (bin.filename() == "bin" && isDirectory(installed)) {
        return withTrailingSeparator(installed.lexically_normal().string());
    }
    const fs::path built = bin / "data";
    if (isDirectory(built)) {
        return withTrailingSeparator(built.lexically_normal().string());
    }
    return std::string();
}

std::string executablePath(const std::string& fallback) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        return self.string();
    }
    // Without /proc (a bare chroot), a name without a folder was found on PATH, as the shell
    // did.
    if (fallback.find('/') == std::string::npos) {
        const char* path = std::getenv("PATH");
        std::string_view rest = path ? path : "";
        while (!rest.empty()) {
            const size_t colon = rest.find(':');
            const std::string folder(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            const std::string candidate =
                withTrailingSeparator(folder.empty() ? "." : folder) + fallback;
            if (::access(candidate.c_str(), X_OK) == 0 && fileExists(candidate)) {
                return candidate;
            }
        }
    }
    return fallback;
}

std::string homeFolder(const Environment& env) {
    std::string home = variable(env, "HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
            home = pw->pw_dir;
        }
    }
    return withTrailingSeparator(home.empty() ? std::string("/") : home);
}

std::string documentsFolder(const Environment& env) {
    const std::string home = homeFolder(env);
    for (const std::string& candidate :
         {variable(env, "XDG_DOCUMENTS_DIR"), documentsFromUserDirs(env, home)}) {
        if (!candidate.empty() && candidate[0] == '/' && isDirectory(candidate)) {
            return withTrailingSeparator(candidate);
        }
    }
    return home;
}

std::string workingFolderFromOption(const std::string& line, const Environment& env) {
    if (trimBlanks(line).empty() || !folderExists(line)) {
        return documentsFolder(env);
    }
    return withTrailingSeparator(line);
}

std::string windowStartFolder(const std::string& option, const Environment& env) {
    if (!option.empty()) {
        return absoluteFolder(option);
    }
    if (const std::string chosen = variable(env, kStartFolderVariable); !chosen.empty()) {
        return absoluteFolder(chosen);
    }
    std::string data = variable(env, "XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        data = homeFolder(env) + ".local/share";
    }
    return withTrailingSeparator(data) + kProgramFolderName + "/";
}

bool isUserEditedFile(const std::string& name) {
    const auto sameName = [&name](std::string_view own) {
        return name.size() == own.size() &&
               std::equal(name.begin(), name.end(), own.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    return sameName(kOptionsFileName) || sameName(kParameterFileName) ||
           sameName(kSubstratesFileName);
}

FillOutcome fillStartFolder(const std::string& folder, const std::string& dataFolder,
                            FillRule rule) {
    FillOutcome outcome;
    const fs::path target(folder);
    if (rule == FillRule::IfEmptyOnly && isDirectory(target) && holdsVisibleEntries(target)) {
        return outcome;
    }
    if (dataFolder.empty() || !isDirectory(dataFolder)) {
        throw OrvekError("The program's bundled files were not found" +
                         (dataFolder.empty() ? std::string(".") : " in '" + dataFolder + "'."));
    }
    createFolder(target);
    const fs::path source(dataFolder);
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && !isHidden(it->path())) {
            files.push_back(fs::relative(it->path(), source, typeError));
        }
    }
    if (ec) {
        throw OrvekError("The program's bundled files in '" + dataFolder + "' could not be read. " +
                         ec.message());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& relative : files) {
        const std::string name = relative.generic_string();
        const std::string to = withTrailingSeparator(folder) + name;
        try {
            const bool present = fileExists(resolveFileName(to));
            if (present && (isUserEditedFile(relative.filename().string()) ||
                            rule == FillRule::IfEmptyOnly || isReadOnly(resolveFileName(to)))) {
                continue;
            }
            const std::string content = readWholeFile((source / relative).string());
            if (present && readWholeFile(resolveFileName(to)) == content) {
                continue;
            }
            createFolder(fs::path(to).parent_path());
            writeFileAtomically(present ? resolveFileName(to) : to, content);
            outcome.written.push_back(name);
        } catch (const OrvekError& e) {
            outcome.problems.push_back(e.what());
        }
    }
    return outcome;
}

} // namespace orvek
