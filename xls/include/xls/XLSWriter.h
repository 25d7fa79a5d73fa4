#pragma once

#include "xls/BiffBuffer.h"
#include "xls/HashIndex.h"
#include "xls/Workbook.h"

#include <string>
#include <vector>

namespace orvek::xls {

class TCFile;
class TCFileStream;
class TXLSCellStream;

// Writes a workbook as an Excel 97-2003 file: BIFF8 records in the "Workbook" stream of a
// compound document.
class TXLSWriter {
public:
    explicit TXLSWriter(TWorkbook& workbook) : m_workbook(workbook) {}

    void SaveToFile(const std::string& fileName);
    // Into an empty file open for reading and writing, from its start; the caller syncs,
    // closes and names it. A failed write raises ECFileError CannotWrite with the system's
    // reason.
    void SaveToDescriptor(int fd);
    std::vector<uint8_t> SaveToBuffer();

    ProgressHandler OnProgress;

    // One cell's record (NUMBER, LABELSST, BOOLERR or BLANK) in place; returns its size, at most
    // 18 bytes, 0 for a type that has none. `number` is the value as the cell reports it, `sst`
    // the index of its text in the shared strings.
    static size_t EncodeCell(uint8_t* out, VarType type, unsigned row, unsigned col, unsigned xf,
                             double number, uint32_t sst);

private:
    friend class TXLSCellStream;
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
    // The first sheet's cells as records already, when they came through a cell stream.
    const TXLSCellStream* m_streamed = nullptr;
};

// A workbook whose first sheet's cells are handed over one at a time, row by row, and encoded as
// they come instead of each being kept as a cell: for a large table that is written once. The
// file is byte for byte the one the workbook gives when the same cells are set, in the same
// order, on its first sheet with TCell::SetValue and SetNumberFormatIndex.
//
// The first sheet must have no cells of its own; its columns, rows and page setup and the other
// sheets are written as they are. The workbook's format tables must not be emptied while cells
// come in.
class TXLSCellStream {
public:
    // `expectedCells`: room made at once for so many cells (a hint).
    explicit TXLSCellStream(TWorkbook& workbook, size_t expectedCells = 0);
    ~TXLSCellStream();
    TXLSCellStream(const TXLSCellStream&) = delete;
    TXLSCellStream& operator=(const TXLSCellStream&) = delete;

    // The cell at (row, col) gets the value and then, unless it is negative, the number format
    // (a list index of the workbook's number formats). Errors as TCells::Cell, TCell::SetValue
    // and SetNumberFormatIndex; besides, every cell must come after the one before in row order
    // (a later row, or the same row and a later column), else EXLSError InvalidRowOrColumn.
    void Put(int row, int col, const Variant& value, int numberFormatIndex = -1);
    // The same for a Double value, without building a Variant.
    void PutNumber(int row, int col, double value, int numberFormatIndex = -1);
    int Count() const { return static_cast<int>(m_count); }

    void SaveAs(const std::string& fileName);
    void SaveToDescriptor(int fd);
    std::vector<uint8_t> SaveToBuffer();

    ProgressHandler OnProgress;

private:
    friend class TXLSWriter;
    // The position's order key; checks the position and that it follows the last cell's.
    int64_t Place(int row, int col) const;
    unsigned WithFormat(unsigned xf, int numberFormatIndex);
    void Append(int64_t key, VarType type, int row, int col, unsigned xf, double number,
                uint32_t sst);
    void Grow(size_t capacity);
    void Save(TCFile& file);

    TWorkbook& m_workbook;
    TXLSWriter m_writer;
    uint8_t* m_records = nullptr; // the cell records, in a TBigRoom
    size_t m_size = 0;
    size_t m_capacity = 0;
    uint32_t m_count = 0;
    int64_t m_lastKey = -1; // row * 256 + column of the last cell
    int m_firstRow = 65535;
    int m_lastRow = 0;
    int m_firstCol = 255;
    int m_lastCol = 0;
    // XF indices found for (starting XF, number format) pairs, so that a column of dates asks
    // the table once.
    struct FormatChoice {
        unsigned from;
        int format;
        unsigned xf;
    };
    std::vector<FormatChoice> m_formatChoices;
};

} // namespace orvek::xls
