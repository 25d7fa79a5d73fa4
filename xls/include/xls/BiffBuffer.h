#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace orvek::xls {

// A record body being put together, little-endian.
class TBiffBuffer {
public:
    TBiffBuffer& U8(unsigned v) {
        m_bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    TBiffBuffer& U16(unsigned v) {
        m_bytes.push_back(static_cast<uint8_t>(v));
        m_bytes.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    TBiffBuffer& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    TBiffBuffer& F64(double v) {
        uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) {
            m_bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        }
        return *this;
    }
    TBiffBuffer& Bytes(std::string_view bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TBiffBuffer& Bytes(const uint8_t* data, size_t size) {
        m_bytes.insert(m_bytes.end(), data, data + size);
        return *this;
    }
    void Patch16(size_t at, unsigned v) {
        m_bytes[at] = static_cast<uint8_t>(v);
        m_bytes[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    size_t Size() const { return m_bytes.size(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    void Clear() { m_bytes.clear(); }

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace orvek::xls
