#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orvek::xls {

class TCFile;
struct CfbImage;

enum class TCFileMode {
    Create = 0, // a new document written to a file when committed
    Open = 1,   // an existing document file, read only
    Memory = 2, // a new document kept in memory
};

class TCFileItem {
public:
    virtual ~TCFileItem() = default;
    TCFileItem(const TCFileItem&) = delete;
    TCFileItem& operator=(const TCFileItem&) = delete;
    const std::string& Name() const { return m_name; }

protected:
    explicit TCFileItem(std::string name) : m_name(std::move(name)) {}

private:
    std::string m_name;
};

// A stream of a compound document. Streams of an opened document are read from the file the
// first time they are used and cannot be written. The first stream of a document being created
// in a file goes straight to that file, where its sectors will lie, so a large stream is never
// held in memory.
class TCFileStream : public TCFileItem {
public:
    TCFileStream(std::string name, bool writable);
    // A writable stream whose bytes go to the file at `base` onwards.
    TCFileStream(std::string name, int fd, uint64_t base);
    TCFileStream(std::string name, const CfbImage* image, uint32_t start, uint64_t size);

    size_t Read(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);
    // origin 0: from the start, 1: from the current position, 2: from the end. Returns the new
    // position, or -1 when the target lies before the start or beyond 32 bits.
    int64_t Seek(int64_t offset, int origin);
    int64_t Position() const { return static_cast<int64_t>(m_position); }
    int64_t Size();
    // ECFileError CannotSetPosition when the position cannot be set.
    void SetPosition(int64_t position);

    bool ReadWord(uint16_t& value);
    bool ReadBlock(void* buffer, size_t count);
    bool WriteWord(uint16_t value);
    bool WriteDWord(uint32_t value);
    bool WriteBlock(const void* buffer, size_t count);

    // The whole content (ECFileError CannotOpenStream when an opened stream's sectors are damaged).
    const std::vector<uint8_t>& Data();
    // The same without a copy: a large stream of an opened document whose sectors follow each
    // other is used where it lies. Valid while the document is open.
    std::span<const uint8_t> Bytes();
    // Room for so many bytes, so that writing them moves nothing.
    void Reserve(size_t size);
    // Whether the bytes are in the document's file rather than in memory.
    bool InFile() const { return m_fd >= 0; }
    // Hands the bytes of a stream written in memory over, leaving it empty.
    std::vector<uint8_t> TakeData();
    // Why the last write to the file fell short (an errno value), 0 when none did.
    int WriteError() const { return m_writeError; }

private:
    void Load();
    size_t WriteToFile(const void* buffer, size_t count);

    bool m_writable;
    const CfbImage* m_image = nullptr;
    uint32_t m_start = 0;
    uint64_t m_claimedSize = 0;
    bool m_loaded = true;
    std::vector<uint8_t> m_data;
    const uint8_t* m_view = nullptr; // the content in place, instead of m_data
    size_t m_viewSize = 0;
    size_t m_position = 0;
    int m_fd = -1;
    uint64_t m_base = 0;
    uint64_t m_fileSize = 0; // of a stream in the file
    int m_writeError = 0;
};

class TCFileStorage : public TCFileItem {
public:
    TCFileStorage(std::string name, bool writable)
        : TCFileItem(std::move(name)), m_writable(writable) {}

    int Count() const { return static_cast<int>(m_items.size()); }
    TCFileItem& Items(int index) const;
    // A new empty stream; ECFileError CannotCreateStream when the storage is read only or the name
    // is not a valid element name (1..31 characters, none of / \ : !) or already taken.
    TCFileStream& CreateStream(const std::string& name);
    // The first direct child with exactly this name (case-sensitive), or none.
    TCFileItem* FindItem(const std::string& name) const;
    TCFileStream* FindStream(const std::string& name) const;

    // For the document reader.
    void Append(std::unique_ptr<TCFileItem> item) { m_items.push_back(std::move(item)); }
    // For the document writer: the next stream created goes to this file from `base` on.
    void PassNextStreamTo(int fd, uint64_t base) {
        m_passFd = fd;
        m_passBase = base;
    }

private:
    bool m_writable;
    int m_passFd = -1;
    uint64_t m_passBase = 0;
    std::vector<std::unique_ptr<TCFileItem>> m_items;
};

// One compound document (version 3, 512-byte sectors). A document in create or memory mode is
// built in memory and completed by Commit(): a file is written beside its target under a
// temporary name and renamed into place, so a failed save leaves the old file as it was.
class TCFile {
public:
    // Create: ECFileError CannotCreateDocfile when the file cannot be created (missing folder,
    // read-only target, or the spreadsheet application's lock file lies beside it). Open:
    // ECFileError CannotOpenDocfile when the file cannot be read or is not a compound document.
    TCFile(TCFileMode mode, const std::string& fileName = {});
    // Opens a document held in memory (read only); ECFileError CannotOpenDocfile when it is not
    // one.
    TCFile(const uint8_t* data, size_t size);
    // A new document written into an empty file open for reading and writing, from its start:
    // its first stream goes there as it is written, and Commit() puts the rest around it.
    // Syncing, closing and naming the file stay with the caller, who keeps the descriptor.
    explicit TCFile(int fd);
    ~TCFile();
    TCFile(const TCFile&) = delete;
    TCFile& operator=(const TCFile&) = delete;

    TCFileMode Mode() const { return m_mode; }
    const std::string& FileName() const { return m_fileName; }
    TCFileStorage& Root() { return *m_root; }
    // True when an opened file shrank while it was read: the streams read since are not what
    // the file held, and must not be trusted.
    bool Damaged() const;

    // Writes the document (create mode) or builds MemoryBytes() (memory mode). A short write
    // raises ECFileError CannotWrite and leaves the target untouched. A large first stream of a
    // memory document becomes part of MemoryBytes() where it lies: it is empty afterwards.
    void Commit();
    const std::vector<uint8_t>& MemoryBytes() const { return m_memory; }
    std::vector<uint8_t> TakeMemoryBytes() { return std::move(m_memory); }

private:
    void OpenImage();
    void CreateTemporary();
    void DiscardTemporary();

    TCFileMode m_mode;
    std::string m_fileName;
    std::unique_ptr<CfbImage> m_image;
    std::unique_ptr<TCFileStorage> m_root;
    std::vector<uint8_t> m_memory;
    std::string m_tempName;
    int m_tempFd = -1;
    bool m_callerFile = false; // m_tempFd belongs to the caller
};

// True when a lock file of a spreadsheet application (".~lock.<name>#" or "~$<name>") lies
// beside the file, meaning the file is open there.
bool IsLockedBySpreadsheet(const std::string& fileName);

} // namespace orvek::xls
