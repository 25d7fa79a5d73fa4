#pragma once

#include "xls/HashIndex.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvek::xls {

// A list of distinct fixed-size byte records, found by content. Adding a record that is already
// present returns its index; records are never removed, so an index stays valid for the life of
// the workbook.
class TVirtualDataTable {
public:
    explicit TVirtualDataTable(size_t recordSize);

    int Count() const { return static_cast<int>(m_data.size() / m_recordSize); }
    size_t RecordSize() const { return m_recordSize; }
    // Returns the index of the record with these bytes (RecordSize() of them), adding it if new.
    int Add(const uint8_t* record);
    // Appends the record even when it is present, so positions follow a file's numbering
    // (cells of a loaded file refer to formats by their position in the file).
    int Append(const uint8_t* record);
    const uint8_t* Record(int index) const;
    void Clear();

private:
    size_t m_recordSize;
    std::string m_data;
    THashIndex m_index{kTableBuckets, 0};
};

// One cell format in the library's own form. Colours are palette numbers of the library: the
// file's colour index is the number plus 7.
struct XFEntry {
    uint16_t FontIndex = 0;
    uint16_t NumberFormatIndex = 0; // index into the workbook's number-format list
    uint8_t HAlign = 0;             // 0..7
    uint8_t VAlign = 2;             // bottom
    uint8_t Rotation = 0;
    uint8_t Wrap = 0;
    uint8_t FillPattern = 0;
    uint8_t PatternColor = 57;
    uint8_t PatternBgColor = 58;
    uint8_t Merged = 0;
    uint8_t Indent = 0;                                 // 0..15
    std::array<uint8_t, 4> BorderColor{58, 58, 58, 58}; // left, right, top, bottom
    std::array<uint8_t, 4> BorderStyle{0, 0, 0, 0};     // left, right, top, bottom

    static constexpr size_t kSize = 21;
    std::array<uint8_t, kSize> Pack() const;
    static XFEntry Unpack(const uint8_t* bytes);
    // No number format, wrapping, fill, merging, indent or border.
    bool IsPlain() const;
    friend bool operator==(const XFEntry&, const XFEntry&) = default;
};

struct FontEntry {
    uint8_t Bold = 0;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint8_t UnderlineStyle = 0; // 0..4: none, single, double, single accounting, double acc.
    uint8_t Escapement = 0;
    uint8_t Color = 57;
    uint16_t Height = 10;           // points
    std::u16string Name = u"Arial"; // at most 100 characters are kept

    static constexpr size_t kSize = 209;
    static constexpr size_t kMaxName = 100;
    std::array<uint8_t, kSize> Pack() const;
    static FontEntry Unpack(const uint8_t* bytes);
    friend bool operator==(const FontEntry&, const FontEntry&) = default;
};

// Fonts or cell formats, each kept packed in a data table so that an equal entry is found by
// content. A new or cleared table holds the default entry at index 0; Empty() leaves none, as a
// loaded file brings its own.
template <typename TEntry> class TVirtualEntryTable {
public:
    TVirtualEntryTable() { Clear(); }
    int Count() const { return m_table.Count(); }
    int Add(const TEntry& entry) {
        const auto bytes = entry.Pack();
        return m_table.Add(bytes.data());
    }
    int Append(const TEntry& entry) {
        const auto bytes = entry.Pack();
        return m_table.Append(bytes.data());
    }
    TEntry Entry(int index) const { return TEntry::Unpack(m_table.Record(index)); }
    void Clear() {
        m_table.Clear();
        ++m_generation;
        Add(TEntry{});
    }
    void Empty() {
        m_table.Clear();
        ++m_generation;
    }
    // Changes whenever entries are dropped; adding one keeps every index as it was.
    uint64_t Generation() const { return m_generation; }

private:
    TVirtualDataTable m_table{TEntry::kSize};
    uint64_t m_generation = 0;
};

using TVirtualFontTable = TVirtualEntryTable<FontEntry>;
using TVirtualXFTable = TVirtualEntryTable<XFEntry>;

} // namespace orvek::xls
