#pragma once

#include "xls/DataTables.h"
#include "xls/Items.h"
#include "xls/NumberFormats.h"
#include "xls/Variant.h"

#include <memory>
#include <string>

namespace orvek::xls {

class TCells;

// A cell: its position, value and the index of its format in the workbook's XF table. The
// format properties (number format, font, merged flag) live in the shared XFEntry; changing one
// interns a new entry, so cells with the same format share it.
class TCell : public TCustomXLSItem {
public:
    TCell(TCells& owner, uint16_t row, uint8_t col);

    int Row() const { return static_cast<int>(Key() & 0xFFFF); }
    int Col() const { return static_cast<int>(Key() >> 16); }

    const Variant& Value() const { return m_value; }
    // Accepts numbers, dates, strings and booleans (Empty and Null raise EXLSError
    // InvalidCellValue, so does text longer than 65535 characters). A date on a cell with the
    // General format gets the date format (list index 13).
    void SetValue(const Variant& value);

    int XFIndex() const { return m_xf; }
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
    struct Extras {
        std::string formula;
        std::string hyperlink;
    };
    TCells& Cells() const;
    // Changes one field of the cell's XFEntry; registers when `registerAlways` or the new
    // entry is not the default.
    template <class Change> void ChangeFormat(Change change, bool registerAlways);

    Variant m_value;
    uint32_t m_xf = 0;
    std::unique_ptr<Extras> m_extras;
};

class TCells : public TCustomXLSItems {
public:
    TCells(TVirtualXFTable& xfTable, TVirtualFontTable& fontTable, TFormatStrings& formats)
        : TCustomXLSItems(4), m_xfTable(xfTable), m_fontTable(fontTable), m_formats(formats) {}

    // The registered cell at (row, col), or a new pending cell that joins the sheet only when a
    // property changes. Rows 0..65535 and columns 0..255, else EXLSError InvalidRowOrColumn.
    TCell& Cell(int row, int col);
    // The registered cell, or none; never creates a cell.
    const TCell* Find(int row, int col) const;
    TCell* Find(int row, int col);
    // The value of a registered cell, Empty when there is none.
    const Variant& ValueAt(int row, int col) const;
    TCell& At(int position) const { return static_cast<TCell&>(ItemAt(position)); }

    TVirtualXFTable& XFTable() const { return m_xfTable; }
    TVirtualFontTable& FontTable() const { return m_fontTable; }
    TFormatStrings& Formats() const { return m_formats; }

private:
    TVirtualXFTable& m_xfTable;
    TVirtualFontTable& m_fontTable;
    TFormatStrings& m_formats;
};

} // namespace orvek::xls
