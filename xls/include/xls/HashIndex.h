#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvek::xls {

// CRC-32 over the reflected table of polynomial 0xEDB88320, started at 0x0FFFFFFF and not
// inverted at the end. This is the hash every keyed list of the library uses.
uint32_t KeyCrc32(const void* data, size_t size);

// Bucket counts of the keyed lists.
inline constexpr uint32_t kItemBuckets = 16383;  // cells, rows, columns
inline constexpr uint32_t kTableBuckets = 1024;  // font and XF interning tables
inline constexpr uint32_t kStringBuckets = 4095; // the writer's shared-string table

// A hash index from keys to list positions: an entry lives in bucket CRC mod the bucket count.
// The caller compares candidates exactly; each entry carries a tag (the key itself when it fits
// in 32 bits, else the full CRC) so most mismatches are rejected without touching the list.
//
// The buckets grow with the entries up to the full count, so an index costs memory in
// proportion to what it holds: a workbook has three indices per sheet, and a file with many
// small sheets must not cost megabytes per sheet.
class THashIndex {
public:
    // Tags and positions kept apart, so a scan reads the tags alone.
    struct Bucket {
        std::vector<uint32_t> tags;
        std::vector<uint32_t> positions;
    };

    // keyLength 0: the tag is the CRC itself; 2 or 4: the tag is a key of that many
    // little-endian bytes, hashed as such.
    THashIndex(uint32_t buckets, size_t keyLength)
        : m_maxBuckets(buckets), m_keyLength(keyLength) {}

    uint32_t MaxBuckets() const { return m_maxBuckets; }
    // The CRC of a tag (for keyed indices: of the key's bytes).
    uint32_t CrcOf(uint32_t tag) const;
    // The entries that share the bucket of this CRC (others may be among them).
    const Bucket& Candidates(uint32_t crc) const;
    void Insert(uint32_t crc, uint32_t tag, uint32_t position);
    void Clear();

private:
    void Grow();

    uint32_t m_maxBuckets;
    size_t m_keyLength;
    size_t m_size = 0;
    std::vector<Bucket> m_buckets;
};

} // namespace orvek::xls
