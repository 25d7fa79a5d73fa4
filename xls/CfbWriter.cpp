#include "xls/CfbFormat.h"
#include "xls/CompoundFile.h"
#include "xls/Unicode.h"

#include <algorithm>
#include <cstring>

namespace orvek::xls {

namespace {

using namespace cfb;

constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kIdsPerSector = kSectorSize / 4;
constexpr uint32_t kHeaderDifat = 109;

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t sectorsFor(uint64_t bytes, uint32_t size) {
    return static_cast<uint32_t>((bytes + size - 1) / size);
}

char16_t upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<char16_t>(c - 0x20);
    }
    return c;
}

// Directory order: shorter names first, then character by character without regard to case.
bool entryLess(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upper(a[i]);
        const char16_t y = upper(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return false;
}

struct OutEntry {
    std::u16string name;
    uint8_t type;
    uint8_t color = 1; // black
    uint32_t left = kNoStream;
    uint32_t right = kNoStream;
    uint32_t child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
    const std::vector<uint8_t>* data = nullptr;
};

// Builds a balanced search tree over sorted[lo, hi) and returns its root. Every level but the
// last is full, so colouring the nodes of an incomplete last level red (and all others black)
// gives every path the same number of black nodes: a valid red-black tree.
uint32_t buildTree(std::vector<OutEntry>& entries, const std::vector<uint32_t>& sorted, size_t lo,
                   size_t hi, int depth, int fullLevels) {
    if (lo >= hi) {
        return kNoStream;
    }
    const size_t mid = lo + (hi - lo) / 2;
    OutEntry& node = entries[sorted[mid]];
    node.color = depth >= fullLevels ? 0 : 1;
    node.left = buildTree(entries, sorted, lo, mid, depth + 1, fullLevels);
    node.right = buildTree(entries, sorted, mid + 1, hi, depth + 1, fullLevels);
    return sorted[mid];
}

class Layout {
public:
    std::vector<uint32_t> fat;

    uint32_t Allocate(uint32_t count, uint32_t marker = 0) {
        const auto first = static_cast<uint32_t>(fat.size());
        for (uint32_t i = 0; i < count; ++i) {
            fat.push_back(marker ? marker : (i + 1 < count ? first + i + 1 : kEndOfChain));
        }
        return count ? first : kEndOfChain;
    }
};

} // namespace

std::vector<uint8_t> BuildCompoundFile(const TCFileStorage& root) {
    std::vector<OutEntry> entries;
    entries.push_back({u"Root Entry", Root});
    for (int i = 0; i < root.Count(); ++i) {
        auto* stream = dynamic_cast<TCFileStream*>(&root.Items(i));
        if (stream) {
            OutEntry e{Utf8ToUtf16(stream->Name()), Stream};
            e.data = &stream->Data();
            e.size = e.data->size();
            entries.push_back(e);
        }
    }

    // Small streams share the mini stream in 64-byte sectors.
    std::vector<uint8_t> mini;
    std::vector<uint32_t> miniFat;
    for (auto& e : entries) {
        if (e.type == Stream && e.size > 0 && e.size < kMiniCutoff) {
            const uint32_t count = sectorsFor(e.size, kMiniSectorSize);
            e.start = static_cast<uint32_t>(miniFat.size());
            for (uint32_t i = 0; i < count; ++i) {
                miniFat.push_back(i + 1 < count ? e.start + i + 1 : kEndOfChain);
            }
            mini.insert(mini.end(), e.data->begin(), e.data->end());
            mini.resize(miniFat.size() * kMiniSectorSize, 0);
        }
    }

    Layout layout;
    for (auto& e : entries) {
        if (e.type == Stream && e.size >= kMiniCutoff) {
            e.start = layout.Allocate(sectorsFor(e.size, kSectorSize));
        }
    }
    entries[0].start = layout.Allocate(sectorsFor(mini.size(), kSectorSize));
    entries[0].size = mini.size();
    const uint32_t miniFatSectors = sectorsFor(miniFat.size() * 4, kSectorSize);
    const uint32_t miniFatStart = layout.Allocate(miniFatSectors);
    const uint32_t dirStart = layout.Allocate(sectorsFor(entries.size() * 128, kSectorSize));

    // The FAT describes itself and the DIFAT, so their sizes depend on each other.
    const auto dataSectors = static_cast<uint32_t>(layout.fat.size());
    uint32_t fatSectors = 0;
    uint32_t difatSectors = 0;
    while (true) {
        const uint32_t need =
            sectorsFor(uint64_t{dataSectors} + fatSectors + difatSectors, kIdsPerSector);
        const uint32_t difatNeed =
            need > kHeaderDifat ? sectorsFor(need - kHeaderDifat, kIdsPerSector - 1) : 0;
        if (need == fatSectors && difatNeed == difatSectors) {
            break;
        }
        fatSectors = std::max(fatSectors, need);
        difatSectors = std::max(difatSectors, difatNeed);
    }
    const uint32_t fatStart = layout.Allocate(fatSectors, kFatSect);
    const uint32_t difatStart = layout.Allocate(difatSectors, kDifSect);
    const auto totalSectors = static_cast<uint32_t>(layout.fat.size());
    layout.fat.resize(static_cast<size_t>(fatSectors) * kIdsPerSector, kFreeSect);

    std::vector<uint32_t> children;
    for (uint32_t i = 1; i < entries.size(); ++i) {
        children.push_back(i);
    }
    std::sort(children.begin(), children.end(),
              [&](uint32_t a, uint32_t b) { return entryLess(entries[a].name, entries[b].name); });
    int fullLevels = 0;
    while ((size_t{2} << fullLevels) - 1 <= children.size()) {
        ++fullLevels;
    }
    entries[0].child = buildTree(entries, children, 0, children.size(), 0, fullLevels);

    std::vector<uint8_t> out((static_cast<size_t>(totalSectors) + 1) * kSectorSize, 0);
    uint8_t* h = out.data();
    std::memcpy(h, kSignature, 8);
    put16(h + 0x18, 0x003E);
    put16(h + 0x1A, 0x0003);
    put16(h + 0x1C, 0xFFFE);
    put16(h + 0x1E, 9);
    put16(h + 0x20, 6);
    put32(h + 0x2C, fatSectors);
    put32(h + 0x30, dirStart);
    put32(h + 0x38, kMiniCutoff);
    put32(h + 0x3C, miniFatSectors ? miniFatStart : kEndOfChain);
    put32(h + 0x40, miniFatSectors);
    put32(h + 0x44, difatSectors ? difatStart : kEndOfChain);
    put32(h + 0x48, difatSectors);
    for (uint32_t i = 0; i < kHeaderDifat; ++i) {
        put32(h + 0x4C + 4 * i, i < fatSectors ? fatStart + i : kFreeSect);
    }

    auto sector = [&](uint32_t id) {
        return out.data() + (static_cast<size_t>(id) + 1) * kSectorSize;
    };
    for (const auto& e : entries) {
        if (e.type == Stream && e.size >= kMiniCutoff) {
            std::memcpy(sector(e.start), e.data->data(), e.size);
        }
    }
    if (!mini.empty()) {
        std::memcpy(sector(entries[0].start), mini.data(), mini.size());
    }
    for (size_t i = 0; i < miniFat.size(); ++i) {
        put32(sector(miniFatStart) + 4 * i, miniFat[i]);
    }
    for (size_t i = miniFat.size(); i < size_t{miniFatSectors} * kIdsPerSector; ++i) {
        put32(sector(miniFatStart) + 4 * i, kFreeSect);
    }
    const uint32_t dirSlots = sectorsFor(entries.size() * 128, kSectorSize) * 4;
    for (uint32_t i = 0; i < dirSlots; ++i) {
        uint8_t* p = sector(dirStart) + 128 * i;
        put32(p + 68, kNoStream);
        put32(p + 72, kNoStream);
        put32(p + 76, kNoStream);
        if (i >= entries.size()) {
            continue;
        }
        const OutEntry& e = entries[i];
        for (size_t k = 0; k < e.name.size(); ++k) {
            put16(p + 2 * k, e.name[k]);
        }
        put16(p + 64, static_cast<uint16_t>((e.name.size() + 1) * 2));
        p[66] = e.type;
        p[67] = e.color;
        put32(p + 68, e.left);
        put32(p + 72, e.right);
        put32(p + 76, e.child);
        put32(p + 116, e.size ? e.start : kEndOfChain);
        put32(p + 120, static_cast<uint32_t>(e.size));
    }
    for (size_t i = 0; i < layout.fat.size(); ++i) {
        put32(sector(fatStart) + 4 * i, layout.fat[i]);
    }
    for (uint32_t d = 0; d < difatSectors; ++d) {
        uint8_t* p = sector(difatStart + d);
        for (uint32_t k = 0; k + 1 < kIdsPerSector; ++k) {
            const uint32_t index = kHeaderDifat + d * (kIdsPerSector - 1) + k;
            put32(p + 4 * k, index < fatSectors ? fatStart + index : kFreeSect);
        }
        put32(p + 4 * (kIdsPerSector - 1), d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }
    return out;
}

} // namespace orvek::xls
