#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvek {

// The folder name of the program's own files under the user's data location and under
// <prefix>/share.
inline constexpr const char* kProgramFolderName = "orvek-cn";
inline constexpr const char* kStartFolderVariable = "ORVEK_START_FOLDER";

// Looks up an environment variable; nullptr when it is not set. Tests pass their own.
using Environment = std::function<const char*(const char*)>;
Environment processEnvironment();

// Where the bundled files are for the given executable: <prefix>/share/orvek-cn/ beside
// <prefix>/bin/, else the data/ folder beside an executable that was never installed (the build
// folder links the source tree's data/ there). Empty when neither exists.
std::string bundledDataFolder(const std::string& executable);

// The running executable's path (from /proc), else the fallback (argv[0]) as the shell found it.
std::string executablePath(const std::string& fallback);

// The window's start folder, with a trailing separator: DIR of --start-folder (empty when the
// option was not given), else ORVEK_START_FOLDER, else $XDG_DATA_HOME/orvek-cn/ (a relative
// XDG_DATA_HOME is ignored), else ~/.local/share/orvek-cn/. Relative folders are taken from the
// current folder.
std::string windowStartFolder(const std::string& option, const Environment& env);

// The user's home folder and documents folder, with trailing separators. The documents folder
// is XDG_DOCUMENTS_DIR from the environment or from the user's user-dirs.dirs when that folder
// exists, else the home folder.
std::string homeFolder(const Environment& env);
std::string documentsFolder(const Environment& env);

// The working folder an options line names, with a trailing separator: the folder when it
// exists, else the user's documents folder. The start folder is the program's own and may be
// hidden, so it is never where the user's documents go by default.
std::string workingFolderFromOption(const std::string& line, const Environment& env);

// The files the user edits in the start folder: never replaced once they are there.
bool isUserEditedFile(const std::string& name);

enum class FillRule {
    Refresh,     // the window: add what is missing, bring the other bundled files up to date
    IfEmptyOnly, // orvek-batch: fill a missing or empty folder, leave any other one alone
};

struct FillOutcome {
    std::vector<std::string> written;  // names (relative to the folder) added or updated
    std::vector<std::string> problems; // files that could not be brought up to date
};

// Creates the folder when it is missing and copies the bundled files from dataFolder into it
// by the rule. The user's options, parameters and substrate list are copied only when the
// folder has none (in any letter case); a bundled file the user made read-only is left as it
// is. Raises OrvekError when the folder cannot be created or the data folder cannot be read;
// a single file that cannot be written is reported in the outcome and the others still go in.
FillOutcome fillStartFolder(const std::string& folder, const std::string& dataFolder,
                            FillRule rule);

} // namespace orvek
