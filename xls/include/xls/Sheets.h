#pragma once

#include "xls/Cells.h"
#include "xls/PageSetup.h"
#include "xls/Ranges.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvek::xls {

class TWorkbook;

class TSheet {
public:
    TSheet(TWorkbook& workbook, int index, std::string name);
    TSheet(const TSheet&) = delete;
    TSheet& operator=(const TSheet&) = delete;

    TWorkbook& Workbook() const { return m_workbook; }
    TCells& Cells() { return m_cells; }
    const TCells& Cells() const { return m_cells; }
    TColumns& Columns() { return m_columns; }
    const TColumns& Columns() const { return m_columns; }
    TRows& Rows() { return m_rows; }
    const TRows& Rows() const { return m_rows; }
    TRanges& Ranges() { return m_ranges; }
    const TRanges& Ranges() const { return m_ranges; }
    int Index() const { return m_index; }
    const std::string& Name() const { return m_name; }
    // EXLSError InvalidSheetName or SheetNameLength when the sheet check refuses the name (the
    // sheet's own name included).
    void SetName(const std::string& name);
    TPageSetup& PageSetup() { return m_pageSetup; }
    const TPageSetup& PageSetup() const { return m_pageSetup; }
    TCellCoords& PageBreaks() { return m_pageBreaks; }
    const TCellCoords& PageBreaks() const { return m_pageBreaks; }

    bool ShowGridLines = true;
    bool ShowHeaders = true;
    bool ShowZeros = true;

private:
    friend class TSheets;
    TWorkbook& m_workbook;
    TCells m_cells;
    TColumns m_columns;
    TRows m_rows;
    TRanges m_ranges;
    int m_index;
    std::string m_name;
    TPageSetup m_pageSetup;
    TCellCoords m_pageBreaks;
};

class TSheets {
public:
    explicit TSheets(TWorkbook& workbook) : m_workbook(workbook) {}

    int Count() const { return static_cast<int>(m_sheets.size()); }
    // std::out_of_range "List index (n) out of bounds !" outside 0..Count()-1.
    TSheet& Items(int index) const;
    // Appends a sheet after CheckName; EXLSError with its code when that is not 0.
    TSheet& Add(const std::string& name);
    TSheet* FindByName(const std::string& name) const;
    // SheetNameLength: empty or longer than 255 characters; InvalidSheetName: blank once trimmed,
    // or the trimmed name is already a sheet's name; else 0.
    int CheckName(const std::string& name) const;
    void Clear();

private:
    friend class TSheet;
    void Rename(TSheet& sheet, const std::string& name);

    TWorkbook& m_workbook;
    std::vector<std::unique_ptr<TSheet>> m_sheets;
    // How many sheets carry each name, so checking a new name never scans every sheet.
    std::unordered_map<std::string, int> m_names;
};

} // namespace orvek::xls
