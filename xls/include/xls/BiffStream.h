#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvek::xls {

// Little-endian reads from a record body. Reading beyond the body raises EXLSError BufferTooSmall,
// so a malformed record can never make the reader look outside it.
class TEasyStream {
public:
    TEasyStream() = default;
    TEasyStream(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Size() const { return m_size; }
    size_t Position() const { return m_position; }
    size_t Remaining() const { return m_size - m_position; }
    const uint8_t* Current() const { return m_data + m_position; }

    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDWord();
    double ReadDouble();
    // Count bytes as they stand.
    std::string ReadBytes(size_t count);
    void Skip(size_t count);

private:
    void Need(size_t count) const;

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
};

struct TBIFFRecord {
    uint16_t Type = 0;
    TEasyStream Body;
};

// Reads one record at a time from a workbook stream held in memory.
class TBIFFStream {
public:
    explicit TBIFFStream(std::span<const uint8_t> data) : m_data(data) {}

    // False at the end of the stream or when the header or body is cut short.
    bool Next(TBIFFRecord& record);
    size_t Position() const { return m_position; }
    size_t Size() const { return m_data.size(); }
    void Seek(size_t position) { m_position = position < m_data.size() ? position : m_data.size(); }

private:
    std::span<const uint8_t> m_data;
    size_t m_position = 0;
};

} // namespace orvek::xls
