#pragma once

#include "xls/DataTables.h"
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
    // font and the default cell format.
    explicit TWorkbook(int sheetCount = 1);
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

    // Frees every sheet and resets the number formats and fonts. The XF table stays as it is.
    void Clear();

private:
    TFormatStrings m_formats;
    TVirtualFontTable m_fonts;
    TVirtualXFTable m_xfs;
    TSheets m_sheets{*this};
};

// An Excel 97-2003 workbook file: the workbook in memory with loading and saving.
//
//   TXLSFile file;
//   file.OpenFile(path);
//   const Variant& v = file.Workbook().Sheets().Items(0).Cells().ValueAt(14, 0);
class TXLSFile {
public:
    TXLSFile();
    ~TXLSFile();
    TXLSFile(const TXLSFile&) = delete;
    TXLSFile& operator=(const TXLSFile&) = delete;

    TWorkbook& Workbook() { return *m_workbook; }
    const TWorkbook& Workbook() const { return *m_workbook; }

    // Clears the workbook, then loads the file. After a failure the workbook holds what was read
    // up to it.
    void OpenFile(const std::string& fileName);
    void LoadFromBuffer(const uint8_t* data, size_t size);
    // Writes the workbook; an existing file is replaced only once the new one is complete.
    void SaveAs(const std::string& fileName);
    std::vector<uint8_t> SaveToBuffer();
    void Clear() { m_workbook->Clear(); }

    ProgressHandler OnProgress;

private:
    std::unique_ptr<TWorkbook> m_workbook;
};

} // namespace orvek::xls
