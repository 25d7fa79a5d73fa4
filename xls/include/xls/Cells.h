#pragma once

#include "xls/DataTables.h"
#include "xls/Items.h"
#include "xls/NumberFormats.h"
#include "xls/Variant.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvek::xls {

class TCells;

// A cell: its position, value and the index of its format in the workbook's XF table. The
// format properties (number format, font, merged flag) live in the shared XFEntry; changing one
// interns a new entry, so cells with the same format share it.
//
// A worksheet of results holds hundreds of thousands of cells, so a cell is kept to 16 bytes: its
// position and value type share one word, a number is stored in place, texts, formulas and
// hyperlinks live in tables of the collection, and the collection itself is found from the
// cell's address. Value() builds the Variant on request.
class TCell {
public:
    TCell(const TCell&) = delete;
    TCell& operator=(const TCell&) = delete;

    int Row() const { return static_cast<int>(m_key & 0xFFFF); }
    int Col() const { return static_cast<int>((m_key >> 16) & 0xFF); }
    // The key the collection knows the cell by: row + 65536 * column.
    uint32_t Key() const { return m_key & 0xFFFFFF; }
    // False while the cell is the collection's pending cell.
    bool Registered() const;

    Variant Value() const;
    VarType ValueType() const { return static_cast<VarType>(m_key >> 24); }
    // The number a numeric or date value stands for (Variant::ToDouble of such a value).
    double NumberValue() const;
    // The text of a String or OleStr value (an Empty Variant for other types).
    const Variant& TextValue() const;
    // Accepts numbers, dates, strings and booleans (Empty and Null raise EXLSError
    // InvalidCellValue, so does text longer than 65535 characters). A date on a cell with the
    // General format gets the date format (list index 13).
    void SetValue(const Variant& value);

    int XFIndex() const { return static_cast<int>(m_xf); }
    // An index into the workbook's XF table; EXLSError InvalidCellProperty when it is not one.
    void SetXFIndex(int index);
    XFEntry Format() const;
    // Interns the entry and uses its index.
    void SetFormat(const XFEntry& entry);

    int NumberFormatIndex() const { return Format().NumberFormatIndex; }
    void SetNumberFormatIndex(int index); // a list index of the workbook's number formats
    int FontIndex() const { return Format().FontIndex; }
    void SetFontIndex(int index); // an index of the workbook's font table
    bool Merged() const { return Format().Merged != 0; }
    void SetMerged(bool merged);

    // Kept with the cell; the writer has no formula compiler and refuses a cell with a formula.
    const std::string& Formula() const;
    void SetFormula(const std::string& formula);
    const std::string& Hyperlink() const;
    void SetHyperlink(const std::string& link);

private:
    friend class TCells;
    TCell() = default;
    void Reset(uint32_t key);
    // The collection, from the head of the chunk the cell lies in.
    TCells& Cells() const;
    void SetType(VarType type) { m_key = (m_key & 0xFFFFFF) | (static_cast<uint32_t>(type) << 24); }
    // Stores a value of a type that is not text, releasing a text the cell held.
    void StorePlain(VarType type, uint64_t bits);
    void Changed();
    // Changes one field of the cell's XFEntry; registers when `registerAlways` or the new
    // entry is not the default.
    template <class Change> void ChangeFormat(Change change, bool registerAlways);

    uint32_t m_key; // row in bits 0-15, column in 16-23, the value's VarType in 24-31
    uint32_t m_xf;
    uint64_t m_bits; // the number (int64 or double bits), the boolean, or the text's slot
};

class TCells {
public:
    TCells(TVirtualXFTable& xfTable, TVirtualFontTable& fontTable, TFormatStrings& formats)
        : m_xfTable(xfTable), m_fontTable(fontTable), m_formats(formats) {}
    TCells(const TCells&) = delete;
    TCells& operator=(const TCells&) = delete;

    // Number of registered cells.
    int Count() const { return static_cast<int>(m_count); }
    // The registered cell at (row, col), or a new pending cell that joins the sheet only when a
    // property changes. Rows 0..65535 and columns 0..255, else EXLSError InvalidRowOrColumn.
    // At most one pending cell exists: the next lookup miss reuses it, so a pending cell may
    // only be used until the next lookup.
    TCell& Cell(int row, int col);
    // The registered cell, or none; never creates a cell.
    const TCell* Find(int row, int col) const;
    TCell* Find(int row, int col);
    // The value of a registered cell, Empty when there is none.
    Variant ValueAt(int row, int col) const;
    // The registered cell at a list position; a range error outside 0..Count()-1.
    TCell& At(int position) const;
    const TCell* PendingItem() const { return m_hasPending ? &Slot(m_count) : nullptr; }
    // Registers the cell if it is the pending one.
    void RegisterItem(TCell& cell);
    // Room in the row index for rows 0..rows-1 at once (at most all 65536), for a sheet whose
    // size is known before its cells come.
    void ReserveRows(int rows);

    TVirtualXFTable& XFTable() const { return m_xfTable; }
    TVirtualFontTable& FontTable() const { return m_fontTable; }
    TFormatStrings& Formats() const { return m_formats; }

private:
    friend class TCell;
    static constexpr uint32_t kChunkShift = 16;
    static constexpr uint32_t kChunkSize = 1u << kChunkShift;

    // A chunk lies at an address that is a multiple of kChunkAlign, so that a cell finds the
    // chunk's head, and through it the collection, by rounding its own address down.
    static constexpr uintptr_t kChunkAlign = uintptr_t{2} << 20;
    struct Chunk {
        TCells* owner;
        alignas(64) TCell cells[kChunkSize];
        uint32_t next[kChunkSize]; // the previous cell registered in the same row
    };
    // The first chunk comes from the heap and is touched page by page as cells arrive; a sheet
    // that fills it is a large one, and its further chunks are mapped as huge pages put in place
    // at once, which saves a page fault (and its cost to a virtual machine) for every 4 kB.
    struct ChunkRelease {
        bool mapped = false;
        void operator()(Chunk* chunk) const;
    };
    using ChunkPtr = std::unique_ptr<Chunk, ChunkRelease>;
    ChunkPtr NewChunk(bool populated);
    TCell& Slot(uint32_t position) const {
        return m_chunks[position >> kChunkShift]->cells[position & (kChunkSize - 1)];
    }
    uint32_t& Next(uint32_t position) const {
        return m_chunks[position >> kChunkShift]->next[position & (kChunkSize - 1)];
    }
    uint32_t FindPosition(uint32_t key) const;
    void InsertKey(uint32_t key, uint32_t position);
    uint32_t StoreText(const Variant& text);
    void ReleaseText(uint32_t slot);

    struct Extras {
        std::string formula;
        std::string hyperlink;
    };

    TVirtualXFTable& m_xfTable;
    TVirtualFontTable& m_fontTable;
    TFormatStrings& m_formats;
    // Cells in registration order, in chunks that never move, so a cell's address stays valid;
    // the slot after the last registered cell holds the pending cell.
    std::vector<ChunkPtr> m_chunks;
    uint32_t m_count = 0;
    bool m_hasPending = false;
    // The index: per row the last cell registered in it, and from each cell the one before.
    // A lookup follows one row's cells (at most 256), which lie close together in memory when
    // a sheet is filled or read row by row, as files and result tables are.
    std::vector<uint32_t> m_rowLast;
    std::vector<uint8_t> m_rowMaxCol; // per row the largest column registered in it
    // Texts of cells by slot, and slots freed by cells that no longer hold text.
    std::vector<Variant> m_texts;
    std::vector<uint32_t> m_freeTexts;
    std::unordered_map<uint32_t, Extras> m_extras; // by key
    // The last number format change: a cell with XF `from` given `format` got XF `to`. A column
    // of dates asks the XF table once instead of for every cell.
    struct FormatStep {
        uint64_t generation = ~uint64_t{0};
        uint32_t from = 0;
        int format = -1;
        uint32_t to = 0;
    };
    FormatStep m_lastFormatStep;
};

} // namespace orvek::xls
