#pragma once

// The sector-level layout of compound documents, shared by the reader and the writer of
// CompoundFile.cpp. Not part of the library's interface.

#include "xls/MappedFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvek::xls {

class TCFileStorage;

namespace cfb {

inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr uint32_t kMiniCutoff = 4096;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

inline constexpr uint32_t kHeaderDifatEntries = 109; // FAT sector ids held by the header itself
inline constexpr uint32_t kDirEntrySize = 128;

// Byte offsets of the fields of the 512-byte header.
namespace header {
inline constexpr size_t kMinorVersion = 0x18;
inline constexpr size_t kMajorVersion = 0x1A;
inline constexpr size_t kByteOrder = 0x1C;
inline constexpr size_t kSectorShift = 0x1E;
inline constexpr size_t kMiniSectorShift = 0x20;
inline constexpr size_t kFatSectorCount = 0x2C;
inline constexpr size_t kFirstDirSector = 0x30;
inline constexpr size_t kMiniStreamCutoff = 0x38;
inline constexpr size_t kFirstMiniFatSector = 0x3C;
inline constexpr size_t kMiniFatSectorCount = 0x40;
inline constexpr size_t kFirstDifatSector = 0x44;
inline constexpr size_t kDifatSectorCount = 0x48;
inline constexpr size_t kDifat = 0x4C;
} // namespace header

// Byte offsets of the fields of a 128-byte directory entry.
namespace direntry {
inline constexpr size_t kName = 0;
inline constexpr size_t kNameBytes = 64;
inline constexpr size_t kType = 66;
inline constexpr size_t kColor = 67;
inline constexpr size_t kLeft = 68;
inline constexpr size_t kRight = 72;
inline constexpr size_t kChild = 76;
inline constexpr size_t kStart = 116;
inline constexpr size_t kSize = 120;
inline constexpr size_t kSizeHigh = 124;
} // namespace direntry

enum EntryType : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };

struct DirEntry {
    std::u16string name;
    uint8_t type = Unused;
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
};

} // namespace cfb

// A compound document read into memory and checked: its FAT, mini FAT and directory. Stream
// contents are gathered on demand; every chain is bounded by the file's sector count and may
// not visit a sector twice.
struct CfbImage {
    CfbImage() = default;
    CfbImage(const CfbImage&) = delete;
    CfbImage& operator=(const CfbImage&) = delete;
    ~CfbImage();

    // The document: `document` and `documentSize` point into `bytes`, into `mapped`, memory
    // of its own that a large file is read into with its pages in place at once, or into the
    // mapped `file`.
    std::vector<uint8_t> bytes;
    void* mapped = nullptr;
    size_t mappedSize = 0;
    // Or the file itself, mapped; its pages may turn to zeros should the file shrink.
    std::unique_ptr<TMappedFile> file;
    const uint8_t* document = nullptr;
    size_t documentSize = 0;

    uint32_t sectorSize = 512;
    uint32_t sectorCount = 0;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<cfb::DirEntry> entries;
    mutable bool miniStreamLoaded = false;
    mutable std::vector<uint8_t> miniStream;

    // ECFileError CannotOpenStream when the stream's chain is broken or shorter than its size.
    std::vector<uint8_t> ReadStream(uint32_t start, uint64_t size) const;
    // True when part of a mapped file was gone when it was read: what was read is not the file.
    bool Damaged() const { return file != nullptr && file->Damaged(); }
    // The stream's bytes in the document itself when its sectors follow each other there (as
    // writers lay out a large stream), else null. ECFileError CannotOpenStream as ReadStream.
    const uint8_t* StreamInPlace(uint32_t start, uint64_t size) const;
};

// ECFileError CannotOpenDocfile when the bytes are not a sound compound document.
std::unique_ptr<CfbImage> ParseCompoundFile(std::vector<uint8_t> bytes);
// The same for an image whose `document` and `documentSize` are set.
std::unique_ptr<CfbImage> ParseCompoundFile(std::unique_ptr<CfbImage> image);
// Fills the root storage with the document's storages and streams.
void LoadItemTree(const CfbImage& image, TCFileStorage& root);
// The bytes of a version 3 document holding the root storage's streams.
std::vector<uint8_t> BuildCompoundFile(const TCFileStorage& root);
// The same document around its first stream, whose bytes lie from offset 512 on (one sector
// in), in the file or moved there: the 512 header bytes, and the bytes that follow the stream's
// last sector, to be written at `tailOffset`. Empty when that stream is too small to have
// sectors of its own.
struct CfbAround {
    std::vector<uint8_t> header;
    std::vector<uint8_t> tail;
    uint64_t tailOffset = 0;
};
CfbAround BuildCompoundFileAround(const TCFileStorage& root);

} // namespace orvek::xls
