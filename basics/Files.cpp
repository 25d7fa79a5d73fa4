#include "basics/Files.h"

#include "basics/Errors.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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

std::string readWholeFile(const std::string& path, size_t limit) {
    const std::string native = resolveFileName(path);
    FILE* f = std::fopen(native.c_str(), "rb");
    if (!f) {
        throw OrvekError(cannotOpenMessage(path, errno));
    }
    std::string content;
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (content.size() + n > limit) {
            std::fclose(f);
            throw OrvekError("File \"" + path + "\" is too large to be read.");
        }
        content.append(buf, n);
    }
    const bool failed = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (failed) {
        throw OrvekError(cannotOpenMessage(path, err));
    }
    return content;
}

std::string temporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string native = nativePath(path);
    return folderPart(native) + "." + fileNamePart(native) + "." + std::to_string(::getpid()) +
           "." + std::to_string(counter++) + ".~";
}

void replaceFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), nativePath(to).c_str()) != 0) {
        const int err = errno;
        std::remove(from.c_str());
        throw OrvekError("Cannot create file \"" + to + "\". " + std::strerror(err));
    }
}

void writeFileAtomically(const std::string& path, std::string_view content) {
    const std::string target = nativePath(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && (existing.st_mode & S_IWUSR) == 0) {
        // A read-only file is the user's statement that it must not change.
        throw OrvekError("Cannot create file \"" + path + "\". " + std::strerror(EACCES));
    }
    const std::string temp = temporaryNameFor(target);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw OrvekError("Cannot create file \"" + path + "\". " + std::strerror(errno));
    }
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            ::close(fd);
            std::remove(temp.c_str());
            throw OrvekError("Cannot write file \"" + path + "\". " + std::strerror(err));
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        throw OrvekError("Cannot write file \"" + path + "\". " + std::strerror(err));
    }
    // Keep the permissions of the file being replaced.
    if (existing.st_mode != 0) {
        ::chmod(temp.c_str(), existing.st_mode & 07777);
    }
    replaceFile(temp, target);
}

} // namespace orvek
