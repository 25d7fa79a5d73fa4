#include "xls/HashIndex.h"

#include <algorithm>
#include <array>

namespace orvek::xls {

namespace {

constexpr std::array<uint32_t, 256> makeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = makeTable();

} // namespace

uint32_t KeyCrc32(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t crc = 0x0FFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

uint32_t THashIndex::CrcOf(uint32_t tag) const {
    if (m_keyLength == 0) {
        return tag;
    }
    const uint8_t bytes[4] = {static_cast<uint8_t>(tag), static_cast<uint8_t>(tag >> 8),
                              static_cast<uint8_t>(tag >> 16), static_cast<uint8_t>(tag >> 24)};
    return KeyCrc32(bytes, m_keyLength);
}

const THashIndex::Bucket& THashIndex::Candidates(uint32_t crc) const {
    static const Bucket none;
    return m_buckets.empty() ? none : m_buckets[crc % m_buckets.size()];
}

void THashIndex::Grow() {
    const size_t current = m_buckets.size();
    const size_t target = current == 0 ? std::min<size_t>(16, m_maxBuckets)
                                       : std::min<size_t>(current * 4, m_maxBuckets);
    std::vector<Bucket> buckets(target);
    for (auto& bucket : m_buckets) {
        for (size_t k = 0; k < bucket.tags.size(); ++k) {
            Bucket& to = buckets[CrcOf(bucket.tags[k]) % target];
            to.tags.push_back(bucket.tags[k]);
            to.positions.push_back(bucket.positions[k]);
        }
    }
    m_buckets = std::move(buckets);
}

void THashIndex::Insert(uint32_t crc, uint32_t tag, uint32_t position) {
    if (m_buckets.empty() || (m_size >= 2 * m_buckets.size() && m_buckets.size() < m_maxBuckets)) {
        Grow();
    }
    Bucket& bucket = m_buckets[crc % m_buckets.size()];
    bucket.tags.push_back(tag);
    bucket.positions.push_back(position);
    ++m_size;
}

void THashIndex::Clear() {
    m_buckets.clear();
    m_size = 0;
}

} // namespace orvek::xls
