#include "xls/CompoundFile.h"

#include "xls/CfbFormat.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace orvek::xls {

// ---------------------------------------------------------------- streams

TCFileStream::TCFileStream(std::string name, bool writable)
    : TCFileItem(std::move(name)), m_writable(writable) {}

TCFileStream::TCFileStream(std::string name, const CfbImage* image, uint32_t start, uint64_t size)
    : TCFileItem(std::move(name)), m_writable(false), m_image(image), m_start(start),
      m_claimedSize(size), m_loaded(false) {}

void TCFileStream::Load() {
    if (!m_loaded) {
        m_data = m_image->ReadStream(m_start, m_claimedSize);
        m_loaded = true;
    }
}

const std::vector<uint8_t>& TCFileStream::Data() {
    Load();
    return m_data;
}

size_t TCFileStream::Read(void* buffer, size_t count) {
    Load();
    if (buffer == nullptr || m_position >= m_data.size()) {
        return 0;
    }
    const size_t n = std::min(count, m_data.size() - m_position);
    std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += n;
    return n;
}

size_t TCFileStream::Write(const void* buffer, size_t count) {
    constexpr size_t kMaxStream = std::numeric_limits<uint32_t>::max();
    if (!m_writable || buffer == nullptr || count > kMaxStream - m_position) {
        return 0;
    }
    if (m_position + count > m_data.size()) {
        m_data.resize(m_position + count);
    }
    if (count > 0) { // an empty new stream has no buffer to copy into yet
        std::memcpy(m_data.data() + m_position, buffer, count);
    }
    m_position += count;
    return count;
}

int64_t TCFileStream::Seek(int64_t offset, int origin) {
    Load();
    int64_t base = 0;
    if (origin == 1) {
        base = static_cast<int64_t>(m_position);
    } else if (origin == 2) {
        base = static_cast<int64_t>(m_data.size());
    } else if (origin != 0) {
        return -1;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > std::numeric_limits<uint32_t>::max()) {
        return -1;
    }
    m_position = static_cast<size_t>(target);
    return target;
}

int64_t TCFileStream::Size() {
    Load();
    return static_cast<int64_t>(m_data.size());
}

void TCFileStream::SetPosition(int64_t position) {
    if (position < 0 || Seek(position, 0) != position) {
        throw ECFileError(ECFileError::CannotSetPosition);
    }
}

bool TCFileStream::ReadWord(uint16_t& value) {
    uint8_t b[2];
    if (Read(b, 2) != 2) {
        return false;
    }
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool TCFileStream::ReadBlock(void* buffer, size_t count) {
    return buffer != nullptr && Read(buffer, count) == count;
}

bool TCFileStream::WriteWord(uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return Write(b, 2) == 2;
}

bool TCFileStream::WriteDWord(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Write(b, 4) == 4;
}

bool TCFileStream::WriteBlock(const void* buffer, size_t count) {
    return buffer != nullptr && Write(buffer, count) == count;
}

// ---------------------------------------------------------------- storages

TCFileItem& TCFileStorage::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return *m_items[static_cast<size_t>(index)];
}

TCFileStream& TCFileStorage::CreateStream(const std::string& name) {
    const std::u16string wide = Utf8ToUtf16(name);
    if (!m_writable || wide.empty() || wide.size() > 31 ||
        wide.find_first_of(u"/\\:!") != std::u16string::npos || FindItem(name)) {
        throw ECFileError(ECFileError::CannotCreateStream);
    }
    m_items.push_back(std::make_unique<TCFileStream>(name, true));
    return static_cast<TCFileStream&>(*m_items.back());
}

TCFileItem* TCFileStorage::FindItem(const std::string& name) const {
    for (const auto& item : m_items) {
        if (item->Name() == name) {
            return item.get();
        }
    }
    return nullptr;
}

TCFileStream* TCFileStorage::FindStream(const std::string& name) const {
    for (const auto& item : m_items) {
        if (item->Name() == name) {
            if (auto* stream = dynamic_cast<TCFileStream*>(item.get())) {
                return stream;
            }
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- files

namespace {

std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {"", path};
    }
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(const std::string& path, std::vector<uint8_t>& out) {
    // Non-blocking, so a named pipe given as a workbook cannot stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        out.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        // A file that shrank while being read is treated as what was read.
        out.resize(done);
    }
    ::close(fd);
    return ok;
}

} // namespace

bool IsLockedBySpreadsheet(const std::string& fileName) {
    const auto [folder, name] = splitPath(fileName);
    if (name.empty()) {
        return false;
    }
    return exists(folder + ".~lock." + name + "#") || exists(folder + "~$" + name);
}

TCFile::TCFile(TCFileMode mode, const std::string& fileName) : m_mode(mode), m_fileName(fileName) {
    switch (mode) {
    case TCFileMode::Create:
        m_root = std::make_unique<TCFileStorage>("Root Entry", true);
        CreateTemporary();
        break;
    case TCFileMode::Memory:
        m_root = std::make_unique<TCFileStorage>("Root Entry", true);
        break;
    case TCFileMode::Open: {
        std::vector<uint8_t> bytes;
        // A spreadsheet application's lock file beside it does not stop reading: the file on
        // disk is complete whether or not someone has it open.
        if (!readAll(fileName, bytes)) {
            throw ECFileError(ECFileError::CannotOpenDocfile);
        }
        m_image = ParseCompoundFile(std::move(bytes));
        OpenImage();
        break;
    }
    }
}

TCFile::TCFile(const uint8_t* data, size_t size) : m_mode(TCFileMode::Open) {
    if (data == nullptr && size != 0) {
        throw ECFileError(ECFileError::CannotOpenDocfile);
    }
    m_image = ParseCompoundFile(std::vector<uint8_t>(data, data + size));
    OpenImage();
}

TCFile::~TCFile() {
    m_root.reset();
    DiscardTemporary();
}

void TCFile::OpenImage() {
    m_root = std::make_unique<TCFileStorage>("Root Entry", false);
    LoadItemTree(*m_image, *m_root);
}

void TCFile::CreateTemporary() {
    const auto [folder, name] = splitPath(m_fileName);
    struct stat st {};
    const bool targetExists = ::stat(m_fileName.c_str(), &st) == 0;
    // A file without its owner's write permission is read-only for everyone: the system would
    // let the superuser write it, so the mode bits are asked first.
    const bool readOnly =
        targetExists && ((st.st_mode & S_IWUSR) == 0 ||
                         (::geteuid() != 0 && ::access(m_fileName.c_str(), W_OK) != 0));
    if (name.empty() || IsLockedBySpreadsheet(m_fileName) ||
        (targetExists && (!S_ISREG(st.st_mode) || readOnly))) {
        throw ECFileError(ECFileError::CannotCreateDocfile);
    }
    // The temporary name carries the process id in the pattern the program's other writers
    // use, so that the leftover of a killed save is recognised and removed by a later run.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tempName = folder + "." + name + "." + std::to_string(::getpid()) + "." +
                     std::to_string(counter++) + ".orvek-tmp";
        m_tempFd = ::open(m_tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_tempFd >= 0) {
            if (targetExists) {
                ::fchmod(m_tempFd, st.st_mode & 07777);
            }
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    m_tempName.clear();
    throw ECFileError(ECFileError::CannotCreateDocfile);
}

void TCFile::DiscardTemporary() {
    if (m_tempFd >= 0) {
        ::close(m_tempFd);
        m_tempFd = -1;
    }
    if (!m_tempName.empty()) {
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
    }
}

void TCFile::Commit() {
    if (m_mode == TCFileMode::Open) {
        throw ECFileError(ECFileError::CannotCommit);
    }
    std::vector<uint8_t> bytes = BuildCompoundFile(*m_root);
    if (m_mode == TCFileMode::Memory) {
        m_memory = std::move(bytes);
        return;
    }
    if (m_tempFd < 0) {
        throw ECFileError(ECFileError::CannotCommit);
    }
    const bool written = writeAll(m_tempFd, bytes.data(), bytes.size()) && ::fsync(m_tempFd) == 0;
    const bool closed = ::close(m_tempFd) == 0;
    m_tempFd = -1;
    if (!written || !closed) {
        DiscardTemporary();
        throw ECFileError(ECFileError::CannotWrite);
    }
    if (::rename(m_tempName.c_str(), m_fileName.c_str()) != 0) {
        DiscardTemporary();
        throw ECFileError(ECFileError::CannotCreateDocfile);
    }
    m_tempName.clear();
}

} // namespace orvek::xls
