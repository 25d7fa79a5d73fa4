#include "xls/CompoundFile.h"

#include "xls/CfbFormat.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvek::xls {

// ---------------------------------------------------------------- streams

TCFileStream::TCFileStream(std::string name, bool writable)
    : TCFileItem(std::move(name)), m_writable(writable) {}

TCFileStream::TCFileStream(std::string name, int fd, uint64_t base)
    : TCFileItem(std::move(name)), m_writable(true), m_fd(fd), m_base(base) {}

TCFileStream::TCFileStream(std::string name, const CfbImage* image, uint32_t start, uint64_t size)
    : TCFileItem(std::move(name)), m_writable(false), m_image(image), m_start(start),
      m_claimedSize(size), m_loaded(false) {}

void TCFileStream::Load() {
    if (m_fd >= 0) {
        // Read back (a small stream that must join the mini stream after all).
        m_data.resize(static_cast<size_t>(m_fileSize));
        size_t done = 0;
        while (done < m_data.size()) {
            const ssize_t n = ::pread(m_fd, m_data.data() + done, m_data.size() - done,
                                      static_cast<off_t>(m_base + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                throw ECFileError(ECFileError::CannotOpenStream);
            }
            done += static_cast<size_t>(n);
        }
        return;
    }
    if (!m_loaded) {
        m_view = m_image->StreamInPlace(m_start, m_claimedSize);
        if (m_view != nullptr) {
            m_viewSize = static_cast<size_t>(m_claimedSize);
        } else {
            m_data = m_image->ReadStream(m_start, m_claimedSize);
        }
        m_loaded = true;
    }
}

const std::vector<uint8_t>& TCFileStream::Data() {
    Load();
    if (m_view != nullptr && m_data.size() != m_viewSize) {
        m_data.assign(m_view, m_view + m_viewSize);
    }
    if (m_image != nullptr && m_image->Damaged()) {
        m_data.clear();
        throw ECFileError(ECFileError::FileChanged);
    }
    return m_data;
}

std::span<const uint8_t> TCFileStream::Bytes() {
    Load();
    if (m_view != nullptr) {
        return {m_view, m_viewSize};
    }
    return {m_data.data(), m_data.size()};
}

std::vector<uint8_t> TCFileStream::TakeData() {
    m_position = 0;
    return std::move(m_data);
}

void TCFileStream::Reserve(size_t size) {
    if (m_fd >= 0 || !m_writable || size <= m_data.capacity()) {
        return;
    }
    m_data.reserve(size);
    // Every page of the room is about to be written: put them in place in one call rather than
    // taking a page fault for each 4 kB. Only a hint; without it the pages come one by one.
    constexpr size_t kPopulateFrom = size_t{1} << 20;
    if (size >= kPopulateFrom) {
        const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto begin = (reinterpret_cast<uintptr_t>(m_data.data()) + page - 1) & ~(page - 1);
        const auto end = (reinterpret_cast<uintptr_t>(m_data.data()) + size) & ~(page - 1);
        if (end > begin) {
            ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
        }
    }
}

size_t TCFileStream::Read(void* buffer, size_t count) {
    if (m_fd >= 0) {
        return 0; // a stream being written to its file is not read back piecewise
    }
    const std::span<const uint8_t> bytes = Bytes();
    if (buffer == nullptr || m_position >= bytes.size()) {
        return 0;
    }
    const size_t n = std::min(count, bytes.size() - m_position);
    std::memcpy(buffer, bytes.data() + m_position, n);
    m_position += n;
    return n;
}

size_t TCFileStream::Write(const void* buffer, size_t count) {
    constexpr size_t kMaxStream = std::numeric_limits<uint32_t>::max();
    if (!m_writable || buffer == nullptr || count > kMaxStream - m_position) {
        return 0;
    }
    if (m_fd >= 0) {
        return WriteToFile(buffer, count);
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (m_position == m_data.size()) {
        // Appending: nothing to clear first, and nothing copied for an empty block.
        m_data.insert(m_data.end(), bytes, bytes + count);
    } else {
        if (m_position + count > m_data.size()) {
            m_data.resize(m_position + count);
        }
        std::memcpy(m_data.data() + m_position, buffer, count);
    }
    m_position += count;
    return count;
}

size_t TCFileStream::WriteToFile(const void* buffer, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(m_fd, bytes + done, count - done,
                                   static_cast<off_t>(m_base + m_position + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // A write that stores nothing is a full disk that did not say so.
            m_writeError = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    m_position += done;
    m_fileSize = std::max<uint64_t>(m_fileSize, m_position);
    return done;
}

int64_t TCFileStream::Seek(int64_t offset, int origin) {
    if (m_fd < 0) {
        Load();
    }
    int64_t base = 0;
    if (origin == 1) {
        base = static_cast<int64_t>(m_position);
    } else if (origin == 2) {
        base = static_cast<int64_t>(m_fd >= 0 ? m_fileSize : Bytes().size());
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
    if (m_fd >= 0) {
        return static_cast<int64_t>(m_fileSize);
    }
    return static_cast<int64_t>(Bytes().size());
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
    if (m_passFd >= 0) {
        m_items.push_back(std::make_unique<TCFileStream>(name, m_passFd, m_passBase));
        m_passFd = -1;
    } else {
        m_items.push_back(std::make_unique<TCFileStream>(name, true));
    }
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

bool pwriteAll(int fd, const uint8_t* data, size_t size, uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        data += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads the whole file into the image. A large file is mapped as it lies, which copies nothing;
// when it cannot be, it goes to memory mapped with its pages in place, which spares a page
// fault per 4 kB and clearing memory that is overwritten at once.
bool readAll(const std::string& path, CfbImage& image) {
    // Non-blocking, so a named pipe given as a workbook cannot stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        const auto size = static_cast<size_t>(st.st_size);
        uint8_t* out = nullptr;
        constexpr size_t kMapFrom = size_t{1} << 18;
        if (size >= kMapFrom) {
            image.file = TMappedFile::Map(fd, size);
            if (image.file != nullptr) {
                image.document = image.file->Data();
                image.documentSize = size;
                ::close(fd);
                return true;
            }
        }
        if (size >= kMapFrom) {
            void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
            if (memory != MAP_FAILED) {
                image.mapped = memory;
                image.mappedSize = size;
                out = static_cast<uint8_t*>(memory);
            }
        }
        if (out == nullptr) {
            image.bytes.resize(size);
            out = image.bytes.data();
        }
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, out + done, size - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        // A file that shrank while being read is treated as what was read.
        image.document = out;
        image.documentSize = done;
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
        m_root->PassNextStreamTo(m_tempFd, 512); // its sectors start right after the header
        break;
    case TCFileMode::Memory:
        m_root = std::make_unique<TCFileStorage>("Root Entry", true);
        break;
    case TCFileMode::Open: {
        auto image = std::make_unique<CfbImage>();
        // A spreadsheet application's lock file beside it does not stop reading: the file on
        // disk is complete whether or not someone has it open.
        if (!readAll(fileName, *image)) {
            throw ECFileError(ECFileError::CannotOpenDocfile);
        }
        m_image = ParseCompoundFile(std::move(image));
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

TCFile::TCFile(int fd) : m_mode(TCFileMode::Create), m_tempFd(fd), m_callerFile(true) {
    if (fd < 0) {
        throw ECFileError(ECFileError::CannotCreateDocfile);
    }
    m_root = std::make_unique<TCFileStorage>("Root Entry", true);
    m_root->PassNextStreamTo(m_tempFd, 512);
}

TCFile::~TCFile() {
    m_root.reset();
    DiscardTemporary();
}

bool TCFile::Damaged() const {
    return m_image != nullptr && m_image->Damaged();
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
        m_tempFd = ::open(m_tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    if (m_callerFile) {
        m_tempFd = -1;
        return;
    }
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
    if (m_mode == TCFileMode::Memory) {
        CfbAround around = BuildCompoundFileAround(*m_root);
        if (around.header.empty()) {
            m_memory = BuildCompoundFile(*m_root);
            return;
        }
        // The first stream's sectors come right after the header: its bytes move into place
        // (within the room reserved for them, if there is enough) rather than being copied.
        m_memory = dynamic_cast<TCFileStream&>(m_root->Items(0)).TakeData();
        m_memory.insert(m_memory.begin(), around.header.begin(), around.header.end());
        m_memory.resize(around.tailOffset, 0);
        m_memory.insert(m_memory.end(), around.tail.begin(), around.tail.end());
        return;
    }
    if (m_tempFd < 0) {
        throw ECFileError(ECFileError::CannotCommit);
    }
    bool written = true;
    int writeError = 0;
    const auto* first =
        m_root->Count() > 0 ? dynamic_cast<TCFileStream*>(&m_root->Items(0)) : nullptr;
    const CfbAround around =
        first && first->InFile() ? BuildCompoundFileAround(*m_root) : CfbAround{};
    if (!around.header.empty()) {
        written = pwriteAll(m_tempFd, around.tail.data(), around.tail.size(), around.tailOffset) &&
                  pwriteAll(m_tempFd, around.header.data(), around.header.size(), 0);
    } else {
        // A small first stream joins the mini stream: the document is laid out anew.
        const std::vector<uint8_t> bytes = BuildCompoundFile(*m_root);
        written = pwriteAll(m_tempFd, bytes.data(), bytes.size(), 0) &&
                  ::ftruncate(m_tempFd, static_cast<off_t>(bytes.size())) == 0;
    }
    if (!written) {
        writeError = errno;
    }
    if (m_callerFile) {
        m_tempFd = -1; // the caller syncs, closes and names the file
        if (!written) {
            throw ECFileError(ECFileError::CannotWrite, writeError);
        }
        return;
    }
    written = written && ::fsync(m_tempFd) == 0;
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
