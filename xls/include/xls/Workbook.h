#pragma once

#include "xls/DataTables.h"
#include "xls/Metrics.h"
#include "xls/NumberFormats.h"
#include "xls/Sheets.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvek::xls {

// Receives the progress of a load or save as a fraction 0..1.
using ProgressHandler = std::function<void(double)>;

class TWorkbook {
public:
    // Starts with sheets "Sheet1" .. "Sheet<n>", the 36 built-in number formats, the default
    // font and the default cell format, laid out for a screen of the given resolution.
    explicit TWorkbook(int sheetCount = 1, TScreenMetrics metrics = TScreenMetrics());
    TWorkbook(const TWorkbook&) = delete;
    TWorkbook& operator=(const TWorkbook&) = delete;

    TSheets& Sheets() { return m_sheets; }
    const TSheets& Sheets() const { return m_sheets; }
    TFormatStrings& Formats() { return m_formats; }
    const TFormatStrings& Formats() const { return m_formats; }
    TVirtualFontTable& FontTable() { return m_fonts; }
    const TVirtualFontTable& FontTable() const { return m_fonts; }
    TVirtualXFTable& XFTable() { return m_xfs; }
    const TVirtualXFTable& XFTable() const { return m_xfs; }
    const TScreenMetrics& Metrics() const { return m_metrics; }

    // Frees every sheet and resets the number formats and fonts. The XF table stays as it is.
    void Clear();

private:
    TScreenMetrics m_metrics;
    TFormatStrings m_formats;
    TVirtualFontTable m_fonts;
    TVirtualXFTable m_xfs;
    TSheets m_sheets{*this};
};

// How a load takes the values of cells. The workbook model shows numbers in date formats as
// dates; a program that reads the numbers themselves (a day 15, an amount 2.5 that a user
// happened to format as dates) asks for the numbers as stored.
enum class TCellNumbers { AsFormatted, AsStored };

// A cell that holds an error value (#DIV/0!, #N/A, ...), stored as such or as the result of a
// formula. The model has no error values, so a load creates no cell for it and lists it here
// instead, for programs that must not take such a cell for an empty one.
struct TErrorCell {
    int Sheet = 0;
    int Row = 0;
    int Col = 0;
    uint8_t Code = 0; // the file's error code: 0x07 #DIV/0!, 0x2A #N/A, ...
};

// An Excel 97-2003 workbook file: the workbook in memory with loading and saving.
//
// Reading a workbook:
//   TXLSFile file;
//   file.OpenFile(path);
//   const TCells& cells = file.Workbook().Sheets().Items(0).Cells();
//   int month = cells.ValueAt(14, 1).ToInt();      // a half goes to the even neighbour
//   double amount = cells.ValueAt(14, 5).ToDouble();
//
// Writing one:
//   TXLSFile result;
//   TSheet& sheet = result.Workbook().Sheets().Items(0);
//   sheet.Columns().Items(0).SetWidth(10);
//   TCell& date = sheet.Cells().Cell(4, 0);
//   date.SetValue(38353.0);
//   date.SetNumberFormatIndex(TFormatStrings::kDateFormat);
//   sheet.Cells().Cell(4, 1).SetValue(1);
//   result.SaveAs(path);
class TXLSFile {
public:
    explicit TXLSFile(TScreenMetrics metrics = TScreenMetrics());
    ~TXLSFile();
    TXLSFile(const TXLSFile&) = delete;
    TXLSFile& operator=(const TXLSFile&) = delete;

    TWorkbook& Workbook() { return *m_workbook; }
    const TWorkbook& Workbook() const { return *m_workbook; }

    // Clears the workbook, then loads the file. After a failure the workbook holds what was read
    // up to it.
    void OpenFile(const std::string& fileName, TCellNumbers numbers = TCellNumbers::AsFormatted);
    void LoadFromBuffer(const uint8_t* data, size_t size,
                        TCellNumbers numbers = TCellNumbers::AsFormatted);
    // The error cells of the last load, in the order of the file.
    const std::vector<TErrorCell>& ErrorCells() const { return m_errorCells; }
    // Writes the workbook; an existing file is replaced only once the new one is complete.
    void SaveAs(const std::string& fileName);
    // Into an open, empty file from its start, for a caller that makes, syncs and names the
    // file itself; a failed write raises ECFileError CannotWrite with the system's reason.
    void SaveToDescriptor(int fd);
    std::vector<uint8_t> SaveToBuffer();
    void Clear() { m_workbook->Clear(); }

    ProgressHandler OnProgress;

private:
    std::unique_ptr<TWorkbook> m_workbook;
    std::vector<TErrorCell> m_errorCells;
};

} // namespace orvek::xls
