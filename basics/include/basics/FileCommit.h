#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvek {

// The endings of the names the program writes under before a file is complete (see
// temporaryNameFor), and of the copies it keeps of the files a commit replaces.
inline constexpr const char* kTemporarySuffix = ".orvek-tmp";
inline constexpr const char* kBackupSuffix = ".orvek-bak";

enum class SweepScope {
    // Beside a file being saved: only plain temporaries of processes that have ended.
    BesideSave,
    // In a folder whose lock is held: also finishes the commits a killed run left half done,
    // putting back the files it had replaced, so the folder holds one run's files again.
    LockedFolder,
};

// Removes the temporaries, in the program's naming, of processes that no longer exist. Files of
// a process still running are left alone, whatever their age; so are names that merely look
// alike and everything that is not an ordinary file.
void sweepTemporaries(const std::string& folder, SweepScope scope);

// Replaces several files of one folder together: each is written under a temporary name first,
// and only when all are complete are they renamed into place. When a rename fails part-way the
// files already replaced are put back and OrvekError names the file that failed; a run killed
// part-way is finished by the next sweep of the locked folder, so the folder never keeps a mix
// of two runs' files.
void replaceTogether(const std::vector<std::pair<std::string, std::string_view>>& files);

} // namespace orvek
