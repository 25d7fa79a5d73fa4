#include "xls/BiffStream.h"

#include "xls/XLSErrors.h"

#include <cstring>

namespace orvek::xls {

void TEasyStream::Need(size_t count) const {
    if (count > Remaining()) {
        throw EXLSError(EXLSError::BufferTooSmall);
    }
}

uint8_t TEasyStream::ReadByte() {
    Need(1);
    return m_data[m_position++];
}

uint16_t TEasyStream::ReadWord() {
    Need(2);
    const uint16_t v = static_cast<uint16_t>(m_data[m_position] | (m_data[m_position + 1] << 8));
    m_position += 2;
    return v;
}

uint32_t TEasyStream::ReadDWord() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | m_data[m_position + static_cast<size_t>(i)];
    }
    m_position += 4;
    return v;
}

double TEasyStream::ReadDouble() {
    Need(8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | m_data[m_position + static_cast<size_t>(i)];
    }
    m_position += 8;
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::string TEasyStream::ReadBytes(size_t count) {
    Need(count);
    std::string out(reinterpret_cast<const char*>(m_data + m_position), count);
    m_position += count;
    return out;
}

void TEasyStream::Skip(size_t count) {
    Need(count);
    m_position += count;
}

bool TBIFFStream::Next(TBIFFRecord& record) {
    if (m_data.size() - m_position < 4) {
        m_position = m_data.size();
        return false;
    }
    const uint8_t* p = m_data.data() + m_position;
    const uint16_t type = static_cast<uint16_t>(p[0] | (p[1] << 8));
    const uint16_t length = static_cast<uint16_t>(p[2] | (p[3] << 8));
    if (m_data.size() - m_position - 4 < length) {
        m_position = m_data.size();
        return false;
    }
    record.Type = type;
    record.Body = TEasyStream(p + 4, length);
    m_position += 4u + length;
    return true;
}

} // namespace orvek::xls
