#include "xls/NumberFormats.h"

#include "xls/XLSErrors.h"

#include <algorithm>

namespace orvek::xls {

namespace {

struct BuiltIn {
    uint16_t biff;
    const char* format;
};

constexpr BuiltIn kBuiltIns[TFormatStrings::kBuiltInCount] = {
    {0, "General"},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {5, "($#,##0_);($#,##0)"},
    {6, "($#,##0_);[Red]($#,##0)"},
    {7, "($#,##0.00_);($#,##0.00)"},
    {8, "($#,##0.00_);[Red]($#,##0.00)"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/??"},
    {14, "mm/dd/yy"},
    {15, "dd-mmm-yy"},
    {16, "dd-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "mm/dd/yy h:mm"},
    {42, "_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {41, "_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {44, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)"},
    {43, "_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)"},
    {4, "#,##0.00"},
    {37, "(#,##0_);(#,##0)"},
    {38, "(#,##0_);[Red](#,##0)"},
    {39, "(#,##0.00_);(#,##0.00)"},
    {40, "(#,##0.00_);[Red](#,##0.00)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

constexpr uint16_t kFirstUserFormat = 164;

} // namespace

void TFormatStrings::Reset() {
    m_items.clear();
    m_byBiff.clear();
    m_maxBiff = 0;
    for (const auto& b : kBuiltIns) {
        Add(b.biff, b.format);
    }
}

const TNumberFormat& TFormatStrings::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throwListIndexError(index);
    }
    return m_items[static_cast<size_t>(index)];
}

int TFormatStrings::IndexOfBiff(uint16_t biffIndex) const {
    const auto it = m_byBiff.find(biffIndex);
    return it == m_byBiff.end() ? -1 : it->second;
}

int TFormatStrings::Add(uint16_t biffIndex, const std::string& format) {
    m_maxBiff = std::max(m_maxBiff, biffIndex);
    const int existing = IndexOfBiff(biffIndex);
    if (existing >= 0) {
        m_items[static_cast<size_t>(existing)].Format = format;
        return existing;
    }
    m_items.push_back({biffIndex, format});
    const int index = Count() - 1;
    m_byBiff.emplace(biffIndex, index);
    return index;
}

int TFormatStrings::AddFormat(const std::string& format) {
    for (int i = 0; i < Count(); ++i) {
        if (m_items[static_cast<size_t>(i)].Format == format) {
            return i;
        }
    }
    const auto biff = static_cast<uint16_t>(std::max<int>(m_maxBiff + 1, kFirstUserFormat));
    if (biff <= m_maxBiff) { // the 16-bit BIFF index space is used up
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    return Add(biff, format);
}

FormatClass ClassifyFormat(const TNumberFormat& format) {
    const uint16_t b = format.BiffIndex;
    if (b == 0) {
        return FormatClass::General;
    }
    if ((b >= 1 && b <= 13) || (b >= 37 && b <= 44) || b == 48) {
        return FormatClass::Double;
    }
    if ((b >= 14 && b <= 22) || (b >= 45 && b <= 47)) {
        return FormatClass::Date;
    }
    const std::string& f = format.Format;
    if (f == "General") {
        return FormatClass::General;
    }
    if (f == "@") {
        return FormatClass::Text;
    }
    if (f == "mm:ss.0" || (f.find('#') == std::string::npos && f.find('0') == std::string::npos)) {
        return FormatClass::Date;
    }
    if (f.find(',') != std::string::npos || f.find('.') != std::string::npos) {
        return FormatClass::Double;
    }
    return FormatClass::Integer;
}

} // namespace orvek::xls
