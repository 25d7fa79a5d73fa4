#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvek::xls {

struct TNumberFormat {
    uint16_t BiffIndex = 0;
    std::string Format; // UTF-8
};

// The workbook's number-format list: the 36 built-in formats at list indices 0..35, then the
// formats of a loaded file or added later. List index 13 is "mm/dd/yy" (BIFF index 14), the
// date format of result workbooks.
class TFormatStrings {
public:
    static constexpr int kBuiltInCount = 36;
    static constexpr int kDateFormat = 13;

    TFormatStrings() { Reset(); }

    int Count() const { return static_cast<int>(m_items.size()); }
    const TNumberFormat& Items(int index) const;
    // List index of the entry with this BIFF index, or -1.
    int IndexOfBiff(uint16_t biffIndex) const;
    // Adds a format; an entry with the same BIFF index gets the new string instead. Returns the
    // entry's list index.
    int Add(uint16_t biffIndex, const std::string& format);
    // The list index of an entry with exactly this string, or a new entry with the next free
    // BIFF index (164 or above, where user formats start).
    int AddFormat(const std::string& format);
    uint16_t MaxBiffIndex() const { return m_maxBiff; }
    // Back to the 36 built-ins.
    void Reset();

private:
    std::vector<TNumberFormat> m_items;
    std::unordered_map<uint16_t, int> m_byBiff;
    uint16_t m_maxBiff = 0;
};

// How a cell's number format makes its number read.
enum class FormatClass { General, Double, Date, Text, Integer };

FormatClass ClassifyFormat(const TNumberFormat& format);

} // namespace orvek::xls
