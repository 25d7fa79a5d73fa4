#pragma once

#include "xls/BiffStream.h"
#include "xls/Variant.h"
#include "xls/Workbook.h"

#include <string>
#include <vector>

namespace orvek::xls {

class TCFile;

// Fills a workbook from an Excel 97-2003 file: the BIFF8 records of the "Workbook" stream of a
// compound document. Keeps cell values, sheet names, number formats, fonts, cell formats,
// column widths, row heights, merged ranges, named ranges and print areas.
class TXLSReader {
public:
    explicit TXLSReader(TWorkbook& workbook, TCellNumbers numbers = TCellNumbers::AsFormatted,
                        std::vector<TErrorCell>* errorCells = nullptr)
        : m_workbook(workbook), m_numbers(numbers), m_errorCells(errorCells) {}

    void LoadFromFile(const std::string& fileName);
    void LoadFromBuffer(const uint8_t* data, size_t size);

    ProgressHandler OnProgress;

private:
    void Load(TCFile& file);
    void ReadRecords();
    bool ReadRecord();
    bool NextContinue();
    void Dispatch();

    void ReadFormula();
    void ReadEof();
    void ReadFont();
    void ReadColInfo();
    void ReadBoundSheet();
    void ReadMulRk();
    void ReadMulBlank();
    void ReadXF();
    void ReadMergedCells();
    void ReadSST();
    bool SkipAcross(size_t count);
    void ReadLabelSst();
    void ReadLabel();
    void ReadBlank();
    void ReadNumber();
    void ReadBoolErr();
    void ReadString();
    void ReadRow();
    void ReadRk();
    void ReadFormat();
    void ReadNames();

    TSheet& CurrentSheet();
    void SetValue(int row, int col, const Variant& value, int xf);
    void ApplyXF(TCell& cell, int xf);
    bool IsDateXF(int xf);
    void MarkMerged();
    void NoteError(int row, int col, uint8_t code);

    TWorkbook& m_workbook;
    TCellNumbers m_numbers;
    std::vector<TErrorCell>* m_errorCells;
    int m_depth = 0;
    bool m_globalsDone = false;
    int m_sheetIndex = 0;
    bool m_consumed = true;
    int m_dispatches = 0;
    bool m_fontsStarted = false;
    bool m_xfsStarted = false;
    int m_formulaRow = -1;
    int m_formulaCol = -1;
    int m_formulaXF = -1;
    std::unique_ptr<TBIFFStream> m_stream;
    TBIFFRecord m_record;
    std::vector<Variant> m_sst;
    std::vector<std::string> m_names;
    // Per XF number whether its format is a date, valid while its stamp equals the count of
    // FORMAT records read (a FORMAT record may change what a format index stands for).
    struct DateClass {
        uint32_t stamp = 0;
        bool date = false;
    };
    std::vector<DateClass> m_dateXF;
    uint32_t m_formatStamp = 1;
    // Merged rectangles per sheet, marked on the cells once every cell has been read.
    std::vector<std::vector<TRangeRect>> m_merged;
};

// The published RK number encoding.
double DecodeRK(uint32_t rk);

} // namespace orvek::xls
