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

// A hash index from keys to list positions. The caller hashes its key bytes with Bucket() and
// compares candidates exactly; each entry carries a tag (the key itself when it fits in 32 bits,
// else the full CRC) so most mismatches are rejected without touching the list.
class THashIndex {
public:
    struct Entry {
        uint32_t tag;
        uint32_t position;
    };

    explicit THashIndex(uint32_t buckets) : m_buckets(buckets) {}

    uint32_t BucketCount() const { return static_cast<uint32_t>(m_buckets.size()); }
    uint32_t Bucket(uint32_t crc) const { return crc % BucketCount(); }
    const std::vector<Entry>& Entries(uint32_t bucket) const { return m_buckets[bucket]; }
    void Insert(uint32_t bucket, uint32_t tag, uint32_t position) {
        m_buckets[bucket].push_back({tag, position});
    }
    void Clear();

private:
    std::vector<std::vector<Entry>> m_buckets;
};

} // namespace orvek::xls
