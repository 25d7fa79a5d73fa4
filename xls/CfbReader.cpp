#include "xls/CfbFormat.h"
#include "xls/CompoundFile.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>

namespace orvek::xls {

namespace {

using namespace cfb;

uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void bad() {
    throw ECFileError(ECFileError::CannotOpenDocfile);
}

// Copies sector `id` (zero padded when the file ends inside it).
void copySector(const CfbImage& image, uint32_t id, uint8_t* out) {
    const uint64_t offset = (static_cast<uint64_t>(id) + 1) * image.sectorSize;
    std::memset(out, 0, image.sectorSize);
    if (offset < image.documentSize) {
        const auto available = std::min<uint64_t>(image.sectorSize, image.documentSize - offset);
        std::memcpy(out, image.document + offset, available);
    }
}

// Follows a chain from `start` through `table`, at most `maxLength` links, each id below
// `limit` and none visited twice. An empty optional-like result is signalled by `ok`.
bool followChain(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit,
                 uint64_t maxLength, std::vector<uint32_t>& chain) {
    chain.clear();
    std::vector<bool> seen(limit, false);
    uint32_t id = start;
    while (id != kEndOfChain) {
        if (id >= limit || id >= table.size() || seen[id] || chain.size() >= maxLength) {
            return false;
        }
        seen[id] = true;
        chain.push_back(id);
        id = table[id];
    }
    return true;
}

std::vector<uint8_t> gather(const CfbImage& image, const std::vector<uint32_t>& chain) {
    std::vector<uint8_t> out(chain.size() * image.sectorSize);
    for (size_t i = 0; i < chain.size(); ++i) {
        copySector(image, chain[i], out.data() + i * image.sectorSize);
    }
    return out;
}

void readFat(CfbImage& image, const uint8_t* header) {
    const uint32_t fatCount = get32(header + header::kFatSectorCount);
    const uint32_t perSector = image.sectorSize / 4;
    if (fatCount > image.sectorCount) {
        bad();
    }
    std::vector<uint32_t> fatSectors;
    for (uint32_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i) {
        fatSectors.push_back(get32(header + header::kDifat + 4 * i));
    }
    // The DIFAT chain: each sector lists perSector - 1 FAT sectors and the next DIFAT sector.
    uint32_t difat = get32(header + header::kFirstDifatSector);
    std::vector<bool> seen(image.sectorCount, false);
    std::vector<uint8_t> sector(image.sectorSize);
    while (fatSectors.size() < fatCount) {
        if (difat >= image.sectorCount || seen[difat]) {
            bad();
        }
        seen[difat] = true;
        copySector(image, difat, sector.data());
        for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(get32(sector.data() + 4 * i));
        }
        difat = get32(sector.data() + 4 * (perSector - 1));
    }
    image.fat.reserve(static_cast<size_t>(fatCount) * perSector);
    for (const uint32_t id : fatSectors) {
        if (id >= image.sectorCount) {
            bad();
        }
        copySector(image, id, sector.data());
        for (uint32_t i = 0; i < perSector; ++i) {
            image.fat.push_back(get32(sector.data() + 4 * i));
        }
    }
}

void readDirectory(CfbImage& image, uint32_t firstDirSector) {
    std::vector<uint32_t> chain;
    if (!followChain(image.fat, firstDirSector, image.sectorCount, image.sectorCount, chain) ||
        chain.empty()) {
        bad();
    }
    const std::vector<uint8_t> data = gather(image, chain);
    const size_t count = data.size() / kDirEntrySize;
    image.entries.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data.data() + i * kDirEntrySize;
        DirEntry& e = image.entries[i];
        const uint16_t nameBytes = std::min<uint16_t>(get16(p + direntry::kNameBytes), 64);
        const size_t chars = nameBytes >= 2 ? nameBytes / 2 - 1 : 0;
        e.name = BytesToUtf16(p + direntry::kName, chars);
        e.type = p[direntry::kType];
        e.left = get32(p + direntry::kLeft);
        e.right = get32(p + direntry::kRight);
        e.child = get32(p + direntry::kChild);
        e.start = get32(p + direntry::kStart);
        // Version 3 documents keep only 32 bits of size; the high half may hold garbage.
        e.size = image.sectorSize == 512 ? get32(p + direntry::kSize)
                                         : get32(p + direntry::kSize) |
                                               (uint64_t{get32(p + direntry::kSizeHigh)} << 32);
    }
    if (image.entries.empty() || image.entries[0].type != Root) {
        bad();
    }
}

void readMiniFat(CfbImage& image, const uint8_t* header) {
    const uint32_t first = get32(header + header::kFirstMiniFatSector);
    const uint32_t count = get32(header + header::kMiniFatSectorCount);
    if (first == kEndOfChain || count == 0) {
        return;
    }
    std::vector<uint32_t> chain;
    if (!followChain(image.fat, first, image.sectorCount, image.sectorCount, chain)) {
        bad();
    }
    const std::vector<uint8_t> data = gather(image, chain);
    image.miniFat.resize(data.size() / 4);
    for (size_t i = 0; i < image.miniFat.size(); ++i) {
        image.miniFat[i] = get32(data.data() + 4 * i);
    }
}

void loadStorage(const CfbImage& image, uint32_t firstChild, TCFileStorage& storage,
                 std::vector<bool>& visited, int depth) {
    if (depth > 64) {
        bad();
    }
    // In-order walk of the sibling tree with an explicit stack; a loop shows as a revisit.
    std::vector<uint32_t> stack;
    uint32_t id = firstChild;
    while (id != kNoStream || !stack.empty()) {
        while (id != kNoStream) {
            if (id >= image.entries.size() || visited[id]) {
                bad();
            }
            visited[id] = true;
            stack.push_back(id);
            id = image.entries[id].left;
        }
        const uint32_t current = stack.back();
        stack.pop_back();
        const DirEntry& e = image.entries[current];
        const std::string name = Utf16ToUtf8(e.name);
        if (e.type == Storage) {
            auto child = std::make_unique<TCFileStorage>(name, false);
            loadStorage(image, e.child, *child, visited, depth + 1);
            storage.Append(std::move(child));
        } else if (e.type == Stream) {
            storage.Append(std::make_unique<TCFileStream>(name, &image, e.start, e.size));
        }
        id = e.right;
    }
}

} // namespace

namespace {
void parseInPlace(CfbImage& image);
} // namespace

CfbImage::~CfbImage() {
    if (mapped != nullptr) {
        ::munmap(mapped, mappedSize);
    }
}

std::unique_ptr<CfbImage> ParseCompoundFile(std::vector<uint8_t> bytes) {
    auto image = std::make_unique<CfbImage>();
    image->bytes = std::move(bytes);
    image->document = image->bytes.data();
    image->documentSize = image->bytes.size();
    return ParseCompoundFile(std::move(image));
}

std::unique_ptr<CfbImage> ParseCompoundFile(std::unique_ptr<CfbImage> image) {
    try {
        parseInPlace(*image);
    } catch (const ECFileError&) {
        // Zeros where a shrunk file's end was are no damage of the document itself.
        if (image->Damaged()) {
            throw ECFileError(ECFileError::FileChanged);
        }
        throw;
    }
    if (image->Damaged()) {
        throw ECFileError(ECFileError::FileChanged);
    }
    return image;
}

namespace {

void parseInPlace(CfbImage& img) {
    CfbImage* image = &img;
    const uint8_t* header = image->document;
    if (image->documentSize < 512 || std::memcmp(header, kSignature, 8) != 0) {
        bad();
    }
    const uint16_t shift = get16(header + header::kSectorShift);
    if ((shift != 9 && shift != 12) || get16(header + header::kMiniSectorShift) != 6) {
        bad();
    }
    image->sectorSize = 1u << shift;
    if (image->documentSize < image->sectorSize) {
        bad();
    }
    const uint64_t sectors =
        (image->documentSize - image->sectorSize + image->sectorSize - 1) / image->sectorSize;
    image->sectorCount = static_cast<uint32_t>(std::min<uint64_t>(sectors, kFatSect - 1));
    readFat(*image, header);
    readDirectory(*image, get32(header + header::kFirstDirSector));
    readMiniFat(*image, header);
}

} // namespace

void LoadItemTree(const CfbImage& image, TCFileStorage& root) {
    std::vector<bool> visited(image.entries.size(), false);
    visited[0] = true;
    loadStorage(image, image.entries[0].child, root, visited, 0);
}

std::vector<uint8_t> CfbImage::ReadStream(uint32_t start, uint64_t size) const {
    std::vector<uint32_t> chain;
    if (size == 0) {
        return {};
    }
    if (size < kMiniCutoff) {
        if (!miniStreamLoaded) {
            const DirEntry& root = entries[0];
            if (root.size > static_cast<uint64_t>(sectorCount) * sectorSize ||
                !followChain(fat, root.start, sectorCount,
                             (root.size + sectorSize - 1) / sectorSize, chain)) {
                throw ECFileError(ECFileError::CannotOpenStream);
            }
            miniStream = gather(*this, chain);
            miniStream.resize(static_cast<size_t>((root.size + kMiniSectorSize - 1) /
                                                  kMiniSectorSize * kMiniSectorSize));
            miniStreamLoaded = true;
        }
        const uint64_t needed = (size + kMiniSectorSize - 1) / kMiniSectorSize;
        const auto limit = static_cast<uint32_t>(miniStream.size() / kMiniSectorSize);
        followChain(miniFat, start, limit, needed, chain);
        if (chain.size() < needed) {
            throw ECFileError(ECFileError::CannotOpenStream);
        }
        std::vector<uint8_t> out(size);
        for (uint64_t i = 0; i < needed; ++i) {
            const uint64_t n = std::min<uint64_t>(kMiniSectorSize, size - i * kMiniSectorSize);
            std::memcpy(out.data() + i * kMiniSectorSize,
                        miniStream.data() + static_cast<uint64_t>(chain[i]) * kMiniSectorSize, n);
        }
        return out;
    }
    const uint64_t needed = (size + sectorSize - 1) / sectorSize;
    if (needed > sectorCount) {
        throw ECFileError(ECFileError::CannotOpenStream);
    }
    followChain(fat, start, sectorCount, needed, chain);
    if (chain.size() < needed) {
        throw ECFileError(ECFileError::CannotOpenStream);
    }
    std::vector<uint8_t> out = gather(*this, chain);
    out.resize(size);
    return out;
}

const uint8_t* CfbImage::StreamInPlace(uint32_t start, uint64_t streamSize) const {
    // A size beyond the document cannot lie in it (and is left to ReadStream to refuse).
    if (streamSize < kMiniCutoff || streamSize > documentSize) {
        return nullptr;
    }
    const uint64_t needed = (streamSize + sectorSize - 1) / sectorSize;
    if (needed > sectorCount) {
        throw ECFileError(ECFileError::CannotOpenStream);
    }
    // The chain must run start, start + 1, ... and end there, all inside the file.
    if (start >= fat.size() || uint64_t{start} + needed > fat.size() ||
        (uint64_t{start} + 1) * sectorSize + streamSize > documentSize) {
        return nullptr;
    }
    for (uint64_t i = 0; i + 1 < needed; ++i) {
        if (fat[start + i] != start + i + 1) {
            return nullptr;
        }
    }
    if (fat[start + needed - 1] != kEndOfChain) {
        return nullptr;
    }
    return document + (uint64_t{start} + 1) * sectorSize;
}

} // namespace orvek::xls
