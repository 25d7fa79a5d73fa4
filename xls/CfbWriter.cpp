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

// The sector plan of a document and the bytes written from it. The writer lays the sectors out
// in this order: large streams, the mini stream, the mini FAT, the directory, the FAT, the
// DIFAT; the header comes first in the file and is not a sector.
class CompoundFileBuilder {
public:
    // `around`: the first stream's bytes stay in its file, if it is one that goes there.
    CompoundFileBuilder(const TCFileStorage& root, bool around) { CollectEntries(root, around); }

    // Whether the document is built around a first stream already in the file.
    bool Around() const { return m_skip > 0; }
    uint64_t TailOffset() const { return (uint64_t{m_skip} + 1) * kSectorSize; }

    // The document's bytes; built around the first stream, the header and then the sectors that
    // follow that stream's.
    std::vector<uint8_t> Build() {
        PackMiniStream();
        AllocateSectors();
        SizeFatAndDifat();
        ArrangeDirectoryTree();
        m_out.assign((static_cast<size_t>(m_totalSectors - m_skip) + 1) * kSectorSize, 0);
        WriteHeader();
        WriteStreams();
        WriteMiniFat();
        WriteDirectory();
        WriteFat();
        WriteDifat();
        return std::move(m_out);
    }

private:
    std::vector<OutEntry> m_entries;
    std::vector<uint8_t> m_mini;
    std::vector<uint32_t> m_miniFat;
    std::vector<uint32_t> m_fat;
    uint32_t m_miniFatStart = 0;
    uint32_t m_miniFatSectors = 0;
    uint32_t m_dirStart = 0;
    uint32_t m_dirSectors = 0;
    uint32_t m_fatStart = 0;
    uint32_t m_fatSectors = 0;
    uint32_t m_difatStart = 0;
    uint32_t m_difatSectors = 0;
    uint32_t m_totalSectors = 0;
    uint32_t m_skip = 0; // sectors of the first stream that lie in the file already
    std::vector<uint8_t> m_out;

    static bool isLarge(const OutEntry& e) { return e.type == Stream && e.size >= kMiniCutoff; }

    // The root entry first, then the root storage's streams in their order.
    void CollectEntries(const TCFileStorage& root, bool around) {
        m_entries.push_back({u"Root Entry", Root});
        for (int i = 0; i < root.Count(); ++i) {
            auto* stream = dynamic_cast<TCFileStream*>(&root.Items(i));
            if (stream) {
                OutEntry e{Utf8ToUtf16(stream->Name()), Stream};
                e.size = static_cast<uint64_t>(stream->Size());
                if (around && m_entries.size() == 1 && stream->InFile() && e.size >= kMiniCutoff) {
                    // Large streams get their sectors first, so this one starts at sector 0.
                    m_skip = sectorsFor(e.size, kSectorSize);
                } else {
                    e.data = &stream->Data();
                    e.size = e.data->size();
                }
                m_entries.push_back(e);
            }
        }
    }

    // Small streams share the mini stream in 64-byte sectors.
    void PackMiniStream() {
        for (auto& e : m_entries) {
            if (e.type == Stream && e.size > 0 && e.size < kMiniCutoff) {
                const uint32_t count = sectorsFor(e.size, kMiniSectorSize);
                e.start = static_cast<uint32_t>(m_miniFat.size());
                for (uint32_t i = 0; i < count; ++i) {
                    m_miniFat.push_back(i + 1 < count ? e.start + i + 1 : kEndOfChain);
                }
                m_mini.insert(m_mini.end(), e.data->begin(), e.data->end());
                m_mini.resize(m_miniFat.size() * kMiniSectorSize, 0);
            }
        }
    }

    // Chains `count` new sectors in the FAT, or marks each with `marker`; returns the first.
    uint32_t Allocate(uint32_t count, uint32_t marker = 0) {
        const auto first = static_cast<uint32_t>(m_fat.size());
        for (uint32_t i = 0; i < count; ++i) {
            m_fat.push_back(marker ? marker : (i + 1 < count ? first + i + 1 : kEndOfChain));
        }
        return count ? first : kEndOfChain;
    }

    void AllocateSectors() {
        for (auto& e : m_entries) {
            if (isLarge(e)) {
                e.start = Allocate(sectorsFor(e.size, kSectorSize));
            }
        }
        m_entries[0].start = Allocate(sectorsFor(m_mini.size(), kSectorSize));
        m_entries[0].size = m_mini.size();
        m_miniFatSectors = sectorsFor(m_miniFat.size() * 4, kSectorSize);
        m_miniFatStart = Allocate(m_miniFatSectors);
        m_dirSectors = sectorsFor(m_entries.size() * kDirEntrySize, kSectorSize);
        m_dirStart = Allocate(m_dirSectors);
    }

    // The FAT describes itself and the DIFAT, so their sizes depend on each other: grow both
    // until neither needs more.
    void SizeFatAndDifat() {
        const auto dataSectors = static_cast<uint32_t>(m_fat.size());
        while (true) {
            const uint32_t need =
                sectorsFor(uint64_t{dataSectors} + m_fatSectors + m_difatSectors, kIdsPerSector);
            const uint32_t difatNeed =
                need > kHeaderDifatEntries
                    ? sectorsFor(need - kHeaderDifatEntries, kIdsPerSector - 1)
                    : 0;
            if (need == m_fatSectors && difatNeed == m_difatSectors) {
                break;
            }
            m_fatSectors = std::max(m_fatSectors, need);
            m_difatSectors = std::max(m_difatSectors, difatNeed);
        }
        m_fatStart = Allocate(m_fatSectors, kFatSect);
        m_difatStart = Allocate(m_difatSectors, kDifSect);
        m_totalSectors = static_cast<uint32_t>(m_fat.size());
        m_fat.resize(static_cast<size_t>(m_fatSectors) * kIdsPerSector, kFreeSect);
    }

    // The streams hang below the root as one balanced red-black tree in directory order.
    void ArrangeDirectoryTree() {
        std::vector<uint32_t> children;
        for (uint32_t i = 1; i < m_entries.size(); ++i) {
            children.push_back(i);
        }
        std::sort(children.begin(), children.end(), [&](uint32_t a, uint32_t b) {
            return entryLess(m_entries[a].name, m_entries[b].name);
        });
        int fullLevels = 0;
        while ((size_t{2} << fullLevels) - 1 <= children.size()) {
            ++fullLevels;
        }
        m_entries[0].child = buildTree(m_entries, children, 0, children.size(), 0, fullLevels);
    }

    uint8_t* Sector(uint32_t id) {
        return m_out.data() + (static_cast<size_t>(id - m_skip) + 1) * kSectorSize;
    }

    // A version 3 document: 512-byte sectors, 64-byte mini sectors, little-endian.
    void WriteHeader() {
        uint8_t* h = m_out.data();
        std::memcpy(h, kSignature, sizeof kSignature);
        put16(h + header::kMinorVersion, 0x003E);
        put16(h + header::kMajorVersion, 0x0003);
        put16(h + header::kByteOrder, 0xFFFE);
        put16(h + header::kSectorShift, 9);
        put16(h + header::kMiniSectorShift, 6);
        put32(h + header::kFatSectorCount, m_fatSectors);
        put32(h + header::kFirstDirSector, m_dirStart);
        put32(h + header::kMiniStreamCutoff, kMiniCutoff);
        put32(h + header::kFirstMiniFatSector, m_miniFatSectors ? m_miniFatStart : kEndOfChain);
        put32(h + header::kMiniFatSectorCount, m_miniFatSectors);
        put32(h + header::kFirstDifatSector, m_difatSectors ? m_difatStart : kEndOfChain);
        put32(h + header::kDifatSectorCount, m_difatSectors);
        for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
            put32(h + header::kDifat + 4 * i, i < m_fatSectors ? m_fatStart + i : kFreeSect);
        }
    }

    void WriteStreams() {
        for (const auto& e : m_entries) {
            if (isLarge(e) && e.data != nullptr) {
                std::memcpy(Sector(e.start), e.data->data(), e.size);
            }
        }
        if (!m_mini.empty()) {
            std::memcpy(Sector(m_entries[0].start), m_mini.data(), m_mini.size());
        }
    }

    void WriteMiniFat() {
        for (size_t i = 0; i < m_miniFat.size(); ++i) {
            put32(Sector(m_miniFatStart) + 4 * i, m_miniFat[i]);
        }
        for (size_t i = m_miniFat.size(); i < size_t{m_miniFatSectors} * kIdsPerSector; ++i) {
            put32(Sector(m_miniFatStart) + 4 * i, kFreeSect);
        }
    }

    // Every slot of the directory's sectors; unused ones are empty entries with no siblings.
    void WriteDirectory() {
        const uint32_t slots = m_dirSectors * (kSectorSize / kDirEntrySize);
        for (uint32_t i = 0; i < slots; ++i) {
            uint8_t* p = Sector(m_dirStart) + kDirEntrySize * i;
            put32(p + direntry::kLeft, kNoStream);
            put32(p + direntry::kRight, kNoStream);
            put32(p + direntry::kChild, kNoStream);
            if (i >= m_entries.size()) {
                continue;
            }
            const OutEntry& e = m_entries[i];
            for (size_t k = 0; k < e.name.size(); ++k) {
                put16(p + direntry::kName + 2 * k, e.name[k]);
            }
            put16(p + direntry::kNameBytes, static_cast<uint16_t>((e.name.size() + 1) * 2));
            p[direntry::kType] = e.type;
            p[direntry::kColor] = e.color;
            put32(p + direntry::kLeft, e.left);
            put32(p + direntry::kRight, e.right);
            put32(p + direntry::kChild, e.child);
            put32(p + direntry::kStart, e.size ? e.start : kEndOfChain);
            put32(p + direntry::kSize, static_cast<uint32_t>(e.size));
        }
    }

    void WriteFat() {
        for (size_t i = 0; i < m_fat.size(); ++i) {
            put32(Sector(m_fatStart) + 4 * i, m_fat[i]);
        }
    }

    // FAT sector ids beyond the header's 109, chained: the last id of each DIFAT sector names
    // the next one.
    void WriteDifat() {
        for (uint32_t d = 0; d < m_difatSectors; ++d) {
            uint8_t* p = Sector(m_difatStart + d);
            for (uint32_t k = 0; k + 1 < kIdsPerSector; ++k) {
                const uint32_t index = kHeaderDifatEntries + d * (kIdsPerSector - 1) + k;
                put32(p + 4 * k, index < m_fatSectors ? m_fatStart + index : kFreeSect);
            }
            put32(p + 4 * (kIdsPerSector - 1),
                  d + 1 < m_difatSectors ? m_difatStart + d + 1 : kEndOfChain);
        }
    }
};

} // namespace

std::vector<uint8_t> BuildCompoundFile(const TCFileStorage& root) {
    return CompoundFileBuilder(root, false).Build();
}

CfbAround BuildCompoundFileAround(const TCFileStorage& root) {
    CompoundFileBuilder builder(root, true);
    if (!builder.Around()) {
        return {};
    }
    std::vector<uint8_t> bytes = builder.Build();
    CfbAround out;
    out.header.assign(bytes.begin(), bytes.begin() + kSectorSize);
    out.tail.assign(bytes.begin() + kSectorSize, bytes.end());
    out.tailOffset = builder.TailOffset();
    return out;
}

} // namespace orvek::xls
