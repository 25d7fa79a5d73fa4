#include "xls/DataTables.h"

#include "xls/XLSErrors.h"

#include <algorithm>
#include <cstring>

namespace orvek::xls {

TVirtualDataTable::TVirtualDataTable(size_t recordSize) : m_recordSize(recordSize) {}

int TVirtualDataTable::Add(const uint8_t* record) {
    const uint32_t crc = KeyCrc32(record, m_recordSize);
    const auto& bucket = m_index.Candidates(crc);
    for (size_t k = 0; k < bucket.tags.size(); ++k) {
        const uint32_t position = bucket.positions[k];
        if (bucket.tags[k] == crc &&
            std::memcmp(m_data.data() + position * m_recordSize, record, m_recordSize) == 0) {
            return static_cast<int>(position);
        }
    }
    const auto index = static_cast<uint32_t>(Count());
    m_data.append(reinterpret_cast<const char*>(record), m_recordSize);
    m_index.Insert(crc, crc, index);
    return static_cast<int>(index);
}

int TVirtualDataTable::Append(const uint8_t* record) {
    const uint32_t crc = KeyCrc32(record, m_recordSize);
    const auto index = static_cast<uint32_t>(Count());
    m_data.append(reinterpret_cast<const char*>(record), m_recordSize);
    // Lookups find the first of equal records, which is as good as any.
    m_index.Insert(crc, crc, index);
    return static_cast<int>(index);
}

const uint8_t* TVirtualDataTable::Record(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return reinterpret_cast<const uint8_t*>(m_data.data()) + index * m_recordSize;
}

void TVirtualDataTable::Clear() {
    m_data.clear();
    m_index.Clear();
}

std::array<uint8_t, XFEntry::kSize> XFEntry::Pack() const {
    std::array<uint8_t, kSize> b{};
    b[0] = FontIndex & 0xFF;
    b[1] = FontIndex >> 8;
    b[2] = NumberFormatIndex & 0xFF;
    b[3] = NumberFormatIndex >> 8;
    b[4] = HAlign;
    b[5] = VAlign;
    b[6] = Rotation;
    b[7] = Wrap;
    b[8] = FillPattern;
    b[9] = PatternColor;
    b[10] = PatternBgColor;
    b[11] = Merged;
    b[12] = Indent;
    std::copy(BorderColor.begin(), BorderColor.end(), b.begin() + 13);
    std::copy(BorderStyle.begin(), BorderStyle.end(), b.begin() + 17);
    return b;
}

XFEntry XFEntry::Unpack(const uint8_t* b) {
    XFEntry e;
    e.FontIndex = static_cast<uint16_t>(b[0] | (b[1] << 8));
    e.NumberFormatIndex = static_cast<uint16_t>(b[2] | (b[3] << 8));
    e.HAlign = b[4];
    e.VAlign = b[5];
    e.Rotation = b[6];
    e.Wrap = b[7];
    e.FillPattern = b[8];
    e.PatternColor = b[9];
    e.PatternBgColor = b[10];
    e.Merged = b[11];
    e.Indent = b[12];
    std::copy(b + 13, b + 17, e.BorderColor.begin());
    std::copy(b + 17, b + 21, e.BorderStyle.begin());
    return e;
}

bool XFEntry::IsPlain() const {
    return NumberFormatIndex == 0 && Wrap == 0 && FillPattern == 0 && Merged == 0 && Indent == 0 &&
           BorderStyle == std::array<uint8_t, 4>{0, 0, 0, 0};
}

std::array<uint8_t, FontEntry::kSize> FontEntry::Pack() const {
    std::array<uint8_t, kSize> b{};
    b[0] = Bold;
    b[1] = Italic;
    b[2] = Underline;
    b[3] = StrikeOut;
    b[4] = UnderlineStyle;
    b[5] = Escapement;
    b[6] = Color;
    b[7] = Height & 0xFF;
    b[8] = Height >> 8;
    const size_t n = std::min(Name.size(), kMaxName);
    for (size_t i = 0; i < n; ++i) {
        b[9 + 2 * i] = Name[i] & 0xFF;
        b[10 + 2 * i] = Name[i] >> 8;
    }
    return b;
}

FontEntry FontEntry::Unpack(const uint8_t* b) {
    FontEntry e;
    e.Bold = b[0];
    e.Italic = b[1];
    e.Underline = b[2];
    e.StrikeOut = b[3];
    e.UnderlineStyle = b[4];
    e.Escapement = b[5];
    e.Color = b[6];
    e.Height = static_cast<uint16_t>(b[7] | (b[8] << 8));
    e.Name.clear();
    for (size_t i = 0; i < kMaxName; ++i) {
        const auto c = static_cast<char16_t>(b[9 + 2 * i] | (b[10 + 2 * i] << 8));
        if (c == 0) {
            break;
        }
        e.Name += c;
    }
    return e;
}

} // namespace orvek::xls
