#pragma once

#include "xls/BiffBuffer.h"
#include "xls/HashIndex.h"
#include "xls/Workbook.h"

#include <string>
#include <vector>

namespace orvek::xls {

class TCFile;
class TCFileStream;

// Writes a workbook as an Excel 97-2003 file: BIFF8 records in the "Workbook" stream of a
// compound document.
class TXLSWriter {
public:
    explicit TXLSWriter(TWorkbook& workbook) : m_workbook(workbook) {}

    void SaveToFile(const std::string& fileName);
    std::vector<uint8_t> SaveToBuffer();

    ProgressHandler OnProgress;

private:
    void Save(TCFile& file);
    void WriteWorkbook();
    void CheckCells() const;
    void BuildStringTable();
    int AddString(std::string key);

    void WriteGlobals();
    void WriteFonts();
    void WriteFormats();
    void WriteXFs();
    void WriteBoundSheets();
    void WriteExternals();
    void WriteNames();
    void WriteSST();

    void WriteSheet(int index);
    void WritePageSetup(const TSheet& sheet);
    void WriteColumnsAndRows(const TSheet& sheet);
    void WriteCells(const TSheet& sheet, int index);
    void WriteWindow(const TSheet& sheet);
    void WriteMerged(const TSheet& sheet);

    void Record(uint16_t type, const TBiffBuffer& body);
    void Record(uint16_t type) { Record(type, TBiffBuffer()); }
    // Records go through a buffer to the stream.
    void Put(const void* data, size_t size);
    void Flush();
    void Report(double progress);

    TWorkbook& m_workbook;
    TCFileStream* m_stream = nullptr;
    uint32_t m_offset = 0;
    std::vector<uint8_t> m_buffer = std::vector<uint8_t>(size_t{1} << 16);
    size_t m_buffered = 0;
    std::vector<std::vector<uint32_t>> m_sheetStrings;
    std::vector<std::string> m_strings; // keys: flag byte, then the text
    THashIndex m_stringIndex{kStringBuckets, 0};
    std::vector<uint32_t> m_boundSheetOffsets;
    double m_progress = 0;
    double m_step = 0;
};

} // namespace orvek::xls
