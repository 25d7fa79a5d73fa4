#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace orvek {

// Folders are kept with a trailing separator; files written elsewhere may hold "\" in their
// paths, so both separators are accepted when a path is taken apart.
std::string folderPart(std::string_view path);   // up to and including the last separator
std::string fileNamePart(std::string_view path); // after the last separator
std::string withTrailingSeparator(std::string_view folder);

// True only for ordinary files and folders: a named pipe, a device or a socket is neither, so
// that no reader ever opens one and waits for data that never comes.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// The exact name when it exists; otherwise a file of the same folder whose name differs only in
// letter case; otherwise the path unchanged.
std::string resolveFileName(const std::string& path);

// The most any input file may hold; a larger file is refused before it is read, so that a
// hostile or mistaken file cannot exhaust memory.
inline constexpr size_t kInputFileLimit = size_t{512} << 20;

// The whole file, or an OrvekError with the reason. Anything but an ordinary file (a pipe, a
// device, a folder) is "not found"; a file larger than the limit is refused before any of it
// is read.
std::string readWholeFile(const std::string& path, size_t limit = kInputFileLimit);

// A text file the user keeps (settings, options, parameters, substrates, weather, events): the
// whole file as readWholeFile reads it, without a UTF-8 byte-order mark or a final Ctrl-Z. A
// UTF-16 file raises OrvekError asking for UTF-8 or ANSI text.
std::string readTextFile(const std::string& path, size_t limit = kInputFileLimit);

// "File "x" is too large to be read (more than 512 MiB)."
std::string tooLargeMessage(const std::string& path, size_t limit);

// How a failed save begins its message, before the file's name and the system's reason.
struct SaveTexts {
    const char* cannotCreate = "Cannot create file";
    const char* cannotWrite = "Cannot write file";
};

// Saves a file the user keeps: written to a temporary file in the same folder and renamed into
// place, so that a failure never leaves a truncated file where a good one was. A file without
// its owner's write permission is never replaced, whoever runs the program, and neither is a
// folder or a special file of that name. Leftover temporaries of ended processes beside the
// target are removed first. Messages name the path and the system's reason, never the
// temporary name. Throws OrvekError.
void writeFileAtomically(const std::string& path, std::string_view content,
                         const SaveTexts& texts = {});

// Writes a file's content through its open descriptor (open for reading too), at whatever
// offsets it needs; returns 0, or the errno value of a write that failed. Other failures it
// throws.
using FileFiller = std::function<int(int fd)>;

// The same for content that is written straight into the temporary file rather than handed
// over whole, for a large file that need not be held in memory.
void writeFileAtomically(const std::string& path, const FileFiller& fill,
                         const SaveTexts& texts = {});

// Replaces one of the program's own working files ("InputEvents.~", "DailyWth.~") the same way,
// without the read-only rule of the user's files and without waiting for the disk.
void writeWorkingFile(const std::string& path, std::string_view content);

// Writes a new file under the temporary name `temp`; a failure removes it and raises an
// OrvekError naming `shownPath`, the file the user knows. `sync` makes the content durable
// before the caller renames it into place.
void writeNewFile(const std::string& temp, std::string_view content, const std::string& shownPath,
                  const SaveTexts& texts = {}, bool sync = true);
void writeNewFile(const std::string& temp, const FileFiller& fill, const std::string& shownPath,
                  const SaveTexts& texts = {}, bool sync = true);

// Gives the finished file `file` the first free name of nameFor(1), nameFor(2), ... without
// ever replacing a file that exists, also one another process creates at the same moment: the
// name is taken by an exclusive rename (or link) that fails when it is taken. `file` must be in
// the names' folder; it is gone afterwards, also on failure. Returns the name given; throws
// OrvekError naming the first candidate when the folder refuses the file.
std::string publishUnderFirstFreeName(const std::string& file,
                                      const std::function<std::string(int)>& nameFor);

// A temporary name beside the target, in the one pattern every writer of the program uses:
// "." + name + "." + process id + "." + counter + ".orvek-tmp". The process id lets a later
// run tell the leftovers of a killed process from the files of one still writing.
std::string temporaryNameFor(const std::string& path);

// Renames, replacing the target; throws OrvekError naming `to` on failure (the source is
// removed then).
void replaceFile(const std::string& from, const std::string& to);

// True when the file's owner may not write it: the read-only attribute of this program. Asked
// of the mode bits, since the system answers "writable" to the superuser for every file.
bool isWriteProtected(const std::string& path, const struct stat& st);

// "Cannot create file "x". reason"
std::string fileErrorMessage(const char* what, const std::string& path, int errnoValue);

} // namespace orvek
