#include "basics/Files.h"

#include "basics/Errors.h"
#include "basics/FileCommit.h"
#include "basics/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvek {

namespace fs = std::filesystem;

namespace {

size_t lastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string nativePath(std::string_view path) {
    // A "\" from a file written on Windows stands for a separator.
    std::string p(path);
    for (char& c : p) {
        if (c == '\\') {
            c = '/';
        }
    }
    return p;
}

struct FdGuard {
    int fd;
    ~FdGuard() { ::close(fd); }
};

} // namespace

std::string folderPart(std::string_view path) {
    const size_t pos = lastSeparator(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string fileNamePart(std::string_view path) {
    const size_t pos = lastSeparator(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string withTrailingSeparator(std::string_view folder) {
    std::string f(folder);
    if (f.empty() || (f.back() != '/' && f.back() != '\\')) {
        f += '/';
    }
    return f;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string resolveFileName(const std::string& path) {
    const std::string native = nativePath(path);
    if (fileExists(native)) {
        return native;
    }
    const std::string folder = folderPart(native);
    const std::string name = fileNamePart(native);
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (equalsIgnoringCase(candidate, name) && it->is_regular_file(ec)) {
            return folder + candidate;
        }
    }
    return native;
}

std::string tooLargeMessage(const std::string& path, size_t limit) {
    return "File \"" + path + "\" is too large to be read (more than " +
           std::to_string(limit >> 20) + " MiB).";
}

std::string fileErrorMessage(const char* what, const std::string& path, int errnoValue) {
    return std::string(what) + " \"" + path + "\". " + std::strerror(errnoValue);
}

std::string readWholeFile(const std::string& path, size_t limit) {
    const std::string native = resolveFileName(path);
    // Only an ordinary file is opened at all: opening a pipe waits for a writer, and a device
    // may never end. The check is repeated on the open file in case the name changed hands.
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0) {
        throw OrvekError(cannotOpenMessage(path, errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw OrvekError(cannotOpenMessage(path, ENOENT));
    }
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw OrvekError(cannotOpenMessage(path, errno));
    }
    const FdGuard guard{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        throw OrvekError(cannotOpenMessage(path, ENOENT));
    }
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        throw OrvekError(tooLargeMessage(path, limit));
    }
    std::string content(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    for (;;) {
        if (done == content.size()) {
            // A file that grows while it is read is read up to the limit and no further.
            if (content.size() > limit) {
                throw OrvekError(tooLargeMessage(path, limit));
            }
            content.resize(std::min(content.size() + 65536, limit + 1));
        }
        const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw OrvekError(cannotOpenMessage(path, errno));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    content.resize(done);
    return content;
}

std::string readTextFile(const std::string& path, size_t limit) {
    std::string content = readWholeFile(path, limit);
    if (looksLikeUtf16(content)) {
        throw OrvekError("File '" + path + "' holds UTF-16 text; save it as UTF-8 or ANSI text.");
    }
    const std::string_view text = withoutTextMarks(content);
    if (text.size() != content.size()) {
        content = std::string(text);
    }
    return content;
}

std::string temporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string native = nativePath(path);
    return folderPart(native) + "." + fileNamePart(native) + "." + std::to_string(::getpid()) +
           "." + std::to_string(counter++) + kTemporarySuffix;
}

bool isWriteProtected(const std::string& path, const struct stat& st) {
    if ((st.st_mode & S_IWUSR) == 0) {
        return true;
    }
    // Another user's file the system would not let this one write is not replaced either; the
    // superuser passes this test for every file, which is why the mode bits come first.
    return ::geteuid() != 0 && ::access(path.c_str(), W_OK) != 0;
}

void replaceFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), nativePath(to).c_str()) != 0) {
        const int err = errno;
        std::remove(from.c_str());
        throw OrvekError(fileErrorMessage("Cannot create file", to, err));
    }
}

void writeNewFile(const std::string& temp, const FileFiller& fill, const std::string& shownPath,
                  const SaveTexts& texts, bool sync) {
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        throw OrvekError(fileErrorMessage(texts.cannotCreate, shownPath, errno));
    }
    const auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw OrvekError(fileErrorMessage(texts.cannotWrite, shownPath, err));
    };
    int err = 0;
    try {
        err = fill(fd);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (err != 0) {
        fail(err);
    }
    // A full disk may only be noticed when the data reach it.
    if (sync && ::fsync(fd) != 0 && errno != EINVAL) {
        fail(errno);
    }
    if (::close(fd) != 0) {
        const int closeErr = errno;
        ::unlink(temp.c_str());
        throw OrvekError(fileErrorMessage(texts.cannotWrite, shownPath, closeErr));
    }
}

namespace {

int writeAll(int fd, std::string_view content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

} // namespace

void writeNewFile(const std::string& temp, std::string_view content, const std::string& shownPath,
                  const SaveTexts& texts, bool sync) {
    writeNewFile(
        temp, [content](int fd) { return writeAll(fd, content); }, shownPath, texts, sync);
}

void writeFileAtomically(const std::string& path, const FileFiller& fill, const SaveTexts& texts) {
    const std::string target = nativePath(path);
    sweepTemporaries(folderPart(target), SweepScope::BesideSave);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw OrvekError(fileErrorMessage(texts.cannotCreate, path, EISDIR));
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        throw OrvekError(std::string(texts.cannotCreate) + " \"" + path +
                         "\". It is not an ordinary file.");
    }
    if (exists && isWriteProtected(target, existing)) {
        // A read-only file is the user's statement that it must not change.
        throw OrvekError(fileErrorMessage(texts.cannotCreate, path, EACCES));
    }
    const std::string temp = temporaryNameFor(target);
    writeNewFile(temp, fill, path, texts, true);
    // Keep the permissions of the file being replaced.
    if (exists) {
        ::chmod(temp.c_str(), existing.st_mode & 07777);
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw OrvekError(fileErrorMessage(texts.cannotCreate, path, err));
    }
}

void writeFileAtomically(const std::string& path, std::string_view content,
                         const SaveTexts& texts) {
    writeFileAtomically(
        path, [content](int fd) { return writeAll(fd, content); }, texts);
}

namespace {

enum class Taken { Done, NameTaken, Unsupported, Failed };

// Gives `from` the name `to` unless a file (or a folder, or a link) has it already.
Taken renameWithoutReplacing(const std::string& from, const std::string& to, int& err) {
#ifdef SYS_renameat2
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kNoReplace) == 0) {
        return Taken::Done;
    }
    err = errno;
    if (err == EEXIST) {
        return Taken::NameTaken;
    }
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) {
        return Taken::Failed;
    }
#endif
    // Filesystems without the exclusive rename mostly have hard links, which never replace.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Taken::Done;
    }
    err = errno;
    if (err == EEXIST) {
        return Taken::NameTaken;
    }
    return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP ? Taken::Unsupported : Taken::Failed;
}

} // namespace

std::string publishUnderFirstFreeName(const std::string& file,
                                      const std::function<std::string(int)>& nameFor) {
    const std::string first = nameFor(1);
    for (int n = 1;; ++n) {
        const std::string name = nameFor(n);
        const std::string target = nativePath(name);
        int err = 0;
        switch (renameWithoutReplacing(file, target, err)) {
        case Taken::Done:
            return name;
        case Taken::NameTaken:
            continue;
        case Taken::Unsupported: {
            // Neither exclusive way exists here: a name seen free is taken, as well as this
            // filesystem allows.
            struct stat st {};
            if (::lstat(target.c_str(), &st) == 0) {
                continue;
            }
            replaceFile(file, name);
            return name;
        }
        case Taken::Failed:
            ::unlink(file.c_str());
            throw OrvekError(fileErrorMessage("Cannot create file", first, err));
        }
    }
}

void writeWorkingFile(const std::string& path, std::string_view content) {
    const std::string target = nativePath(path);
    const std::string temp = temporaryNameFor(target);
    writeNewFile(temp, content, path, SaveTexts{}, false);
    replaceFile(temp, path);
}

} // namespace orvek
