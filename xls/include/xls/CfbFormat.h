#pragma once

// The sector-level layout of compound documents, shared by the reader and the writer of
// CompoundFile.cpp. Not part of the library's interface.

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
    std::vector<uint8_t> bytes;
    uint32_t sectorSize = 512;
    uint32_t sectorCount = 0;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<cfb::DirEntry> entries;
    mutable bool miniStreamLoaded = false;
    mutable std::vector<uint8_t> miniStream;

    // ECFileError 4 when the stream's chain is broken or shorter than its size.
    std::vector<uint8_t> ReadStream(uint32_t start, uint64_t size) const;
};

// ECFileError 3 when the bytes are not a sound compound document.
std::unique_ptr<CfbImage> ParseCompoundFile(std::vector<uint8_t> bytes);
// Fills the root storage with the document's storages and streams.
void LoadItemTree(const CfbImage& image, TCFileStorage& root);
// The bytes of a version 3 document holding the root storage's streams.
std::vector<uint8_t> BuildCompoundFile(const TCFileStorage& root);

} // namespace orvek::xls
