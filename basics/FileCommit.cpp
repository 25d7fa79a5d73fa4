#include "basics/FileCommit.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace orvek {

namespace fs = std::filesystem;

namespace {

// The commit journal lists the files a commit is replacing; it exists only while the renames
// are under way, so finding one left by a killed process means its files must be put back.
constexpr std::string_view kJournalName = ".orvek-commit";

enum class OwnKind { Temporary, Backup, Journal };

struct OwnName {
    pid_t pid = 0;
    OwnKind kind = OwnKind::Temporary;
};

// Takes ".digits" off the end of a name.
bool takeNumber(std::string_view& name, unsigned long long& value) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) {
        return false;
    }
    const char* first = name.data() + dot + 1;
    const char* last = name.data() + name.size();
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last) {
        return false;
    }
    name = name.substr(0, dot);
    return true;
}

bool takeSuffix(std::string_view& name, std::string_view suffix) {
    if (!name.ends_with(suffix)) {
        return false;
    }
    name.remove_suffix(suffix.size());
    return true;
}

// Recognises the names the program writes under: its current pattern, and the two earlier
// ones (".name.pid.n.~" of text files, ".~name.pid.n.stamp.tmp" of workbooks) that a killed
// older version may have left.
bool parseOwnName(std::string_view name, OwnName& out) {
    if (name.size() < 2 || name[0] != '.') {
        return false;
    }
    unsigned long long counter = 0;
    unsigned long long pid = 0;
    unsigned long long stamp = 0;
    std::string_view rest = name;
    if (takeSuffix(rest, kTemporarySuffix)) {
        out.kind = OwnKind::Temporary;
    } else if (takeSuffix(rest, kBackupSuffix)) {
        out.kind = OwnKind::Backup;
    } else if (takeSuffix(rest, ".~")) {
        out.kind = OwnKind::Temporary;
    } else if (rest.starts_with(".~") && takeSuffix(rest, ".tmp") && takeNumber(rest, stamp)) {
        out.kind = OwnKind::Temporary;
    } else {
        return false;
    }
    if (!takeNumber(rest, counter) || !takeNumber(rest, pid) || rest.size() < 2 || pid < 2 ||
        pid > 0x7FFFFFFF) {
        return false;
    }
    if (out.kind == OwnKind::Backup && rest == kJournalName) {
        out.kind = OwnKind::Journal;
    }
    out.pid = static_cast<pid_t>(pid);
    return true;
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string ownName(const std::string& folder, std::string_view name, const char* suffix) {
    static std::atomic<unsigned> counter{0};
    return folder + "." + std::string(name) + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + suffix;
}

// A journal names files of its own folder only, and only the program's working files (their
// names end with ".~"), so a planted journal can neither reach elsewhere nor touch a user's
// file.
bool isWorkingFileName(std::string_view name) {
    return name.size() > 2 && name.ends_with(".~") && name.find('/') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos;
}

void putBackFromJournal(const std::string& folder, const std::string& journal, pid_t owner) {
    std::string content;
    try {
        content = readWholeFile(folder + journal, size_t{1} << 16);
    } catch (const OrvekError&) {
        return;
    }
    LineCursor lines(content);
    std::string_view line;
    while (lines.next(line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            continue;
        }
        const std::string_view target = line.substr(0, tab);
        const std::string_view backup = line.substr(tab + 1);
        if (!isWorkingFileName(target)) {
            continue;
        }
        const std::string targetPath = folder + std::string(target);
        if (backup.empty()) {
            // The file did not exist before the commit.
            struct stat st {};
            if (::lstat(targetPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                ::unlink(targetPath.c_str());
            }
            continue;
        }
        OwnName parsed;
        if (backup.find('/') != std::string_view::npos || !parseOwnName(backup, parsed) ||
            parsed.kind != OwnKind::Backup || parsed.pid != owner) {
            continue;
        }
        std::rename((folder + std::string(backup)).c_str(), targetPath.c_str());
    }
}

} // namespace

void sweepTemporaries(const std::string& folderPath, SweepScope scope) {
    const std::string folder =
        folderPath.empty() ? std::string() : withTrailingSeparator(folderPath);
    std::vector<std::pair<std::string, OwnName>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        OwnName parsed;
        std::error_code typeError;
        if (!parseOwnName(name, parsed) || !it->is_regular_file(typeError) ||
            it->is_symlink(typeError) || processExists(parsed.pid)) {
            continue;
        }
        if (parsed.kind != OwnKind::Temporary && scope != SweepScope::LockedFolder) {
            continue; // a half-done commit is finished only under the folder's lock
        }
        found.emplace_back(name, parsed);
    }
    for (const auto& [name, parsed] : found) {
        if (parsed.kind == OwnKind::Journal) {
            putBackFromJournal(folder, name, parsed.pid);
        }
    }
    for (const auto& [name, parsed] : found) {
        if (parsed.kind != OwnKind::Journal) {
            ::unlink((folder + name).c_str());
        }
    }
    for (const auto& [name, parsed] : found) {
        if (parsed.kind == OwnKind::Journal) {
            ::unlink((folder + name).c_str());
        }
    }
}

namespace {

struct Replacement {
    std::string target;
    std::string temp;
    std::string backup;     // empty when there was no file to keep
    bool moveAway = false;  // to be kept by renaming (no hard links here) rather than a link
    bool movedAway = false; // renamed to the backup name already
    bool replaced = false;
};

// Puts back every file already replaced; false when one of them could not be, in which case
// the journal stays for the next sweep of the folder.
bool putBack(std::vector<Replacement>& files) {
    bool complete = true;
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
        if (!it->replaced) {
            if (it->movedAway && std::rename(it->backup.c_str(), it->target.c_str()) != 0) {
                complete = false;
            }
            continue;
        }
        if (it->backup.empty()) {
            ::unlink(it->target.c_str());
        } else if (std::rename(it->backup.c_str(), it->target.c_str()) != 0) {
            complete = false;
        }
    }
    return complete;
}

void removeAll(const std::vector<Replacement>& files, bool backups) {
    for (const Replacement& r : files) {
        if (!r.temp.empty()) {
            ::unlink(r.temp.c_str());
        }
        if (backups && !r.backup.empty()) {
            ::unlink(r.backup.c_str());
        }
    }
}

} // namespace

void replaceTogether(const std::vector<std::pair<std::string, std::string_view>>& files) {
    if (files.empty()) {
        return;
    }
    const std::string folder = folderPart(files.front().first);
    std::vector<Replacement> work;
    work.reserve(files.size());
    try {
        for (const auto& [path, content] : files) {
            Replacement r;
            r.target = path;
            r.temp = temporaryNameFor(path);
            writeNewFile(r.temp, content, path, SaveTexts{}, false);
            work.push_back(std::move(r));
        }
    } catch (...) {
        removeAll(work, false);
        throw;
    }

    // Keep the files about to be replaced, under names a later sweep recognises.
    std::string journal;
    for (Replacement& r : work) {
        struct stat st {};
        if (::lstat(r.target.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            continue;
        }
        r.backup = ownName(folder, fileNamePart(r.target), kBackupSuffix);
        if (::link(r.target.c_str(), r.backup.c_str()) != 0) {
            r.moveAway = true; // a file system without hard links
        }
        journal += fileNamePart(r.target) + "\t" + fileNamePart(r.backup) + "\n";
    }
    for (const Replacement& r : work) {
        if (r.backup.empty()) {
            journal += fileNamePart(r.target) + "\t\n";
        }
    }
    const std::string journalPath = ownName(folder, kJournalName.substr(1), kBackupSuffix);
    try {
        const std::string journalTemp = temporaryNameFor(journalPath);
        writeNewFile(journalTemp, journal, files.front().first, SaveTexts{}, false);
        replaceFile(journalTemp, journalPath);
    } catch (...) {
        removeAll(work, true);
        throw;
    }

    for (Replacement& r : work) {
        int err = 0;
        if (r.moveAway) {
            if (std::rename(r.target.c_str(), r.backup.c_str()) != 0) {
                err = errno;
            } else {
                r.movedAway = true;
            }
        }
        if (err == 0 && std::rename(r.temp.c_str(), r.target.c_str()) != 0) {
            err = errno;
        }
        if (err != 0) {
            if (putBack(work)) {
                removeAll(work, true);
                ::unlink(journalPath.c_str());
            } else {
                removeAll(work, false);
            }
            throw OrvekError(fileErrorMessage("Cannot create file", r.target, err));
        }
        r.replaced = true;
        r.temp.clear();
    }
    // Every file is in place: removing the journal is what makes the new set the valid one.
    ::unlink(journalPath.c_str());
    removeAll(work, true);
}

} // namespace orvek
