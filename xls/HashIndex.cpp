#include "xls/HashIndex.h"

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

void THashIndex::Clear() {
    for (auto& bucket : m_buckets) {
        bucket.clear();
    }
}

} // namespace orvek::xls
