#pragma once

#include <string>
#include <string_view>

namespace orvek {

// Folders are kept with a trailing separator; files written elsewhere may hold "\" in their
// paths, so both separators are accepted when a path is taken apart.
std::string folderPart(std::string_view path);   // up to and including the last separator
std::string fileNamePart(std::string_view path); // after the last separator
std::string withTrailingSeparator(std::string_view folder);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// The exact name when it exists; otherwise a file of the same folder whose name differs only in
// letter case; otherwise the path unchanged.
std::string resolveFileName(const std::string& path);

// The whole file, or an OrvekError with the reason; files larger than the limit are refused so
// that a hostile file cannot exhaust memory.
std::string readWholeFile(const std::string& path, size_t limit = size_t{512} << 20);

// Writes to a temporary file in the same folder and renames it into place, so that a failure
// never leaves a truncated file where a good one was. Throws OrvekError on failure.
void writeFileAtomically(const std::string& path, std::string_view content);

// A name for a temporary file beside the target; it ends with ".~" so that leftovers are
// removed with the other working files.
std::string temporaryNameFor(const std::string& path);

// Renames, replacing the target; throws OrvekError on failure.
void replaceFile(const std::string& from, const std::string& to);

} // namespace orvek
