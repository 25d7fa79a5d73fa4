#include "xls/Workbook.h"

#include "xls/XLSReader.h"
#include "xls/XLSWriter.h"

namespace orvek::xls {

TWorkbook::TWorkbook(int sheetCount, TScreenMetrics metrics) : m_metrics(metrics) {
    for (int i = 1; i <= sheetCount; ++i) {
        m_sheets.Add("Sheet" + std::to_string(i));
    }
}

void TWorkbook::Clear() {
    m_sheets.Clear();
    m_formats.Reset();
    m_fonts.Clear();
}

TXLSFile::TXLSFile(TScreenMetrics metrics) : m_workbook(std::make_unique<TWorkbook>(1, metrics)) {}

TXLSFile::~TXLSFile() = default;

void TXLSFile::OpenFile(const std::string& fileName, TCellNumbers numbers) {
    m_errorCells.clear();
    TXLSReader reader(*m_workbook, numbers, &m_errorCells);
    reader.OnProgress = OnProgress;
    reader.LoadFromFile(fileName);
}

void TXLSFile::LoadFromBuffer(const uint8_t* data, size_t size, TCellNumbers numbers) {
    m_errorCells.clear();
    TXLSReader reader(*m_workbook, numbers, &m_errorCells);
    reader.OnProgress = OnProgress;
    reader.LoadFromBuffer(data, size);
}

void TXLSFile::SaveAs(const std::string& fileName) {
    TXLSWriter writer(*m_workbook);
    writer.OnProgress = OnProgress;
    writer.SaveToFile(fileName);
}

void TXLSFile::SaveToDescriptor(int fd) {
    TXLSWriter writer(*m_workbook);
    writer.OnProgress = OnProgress;
    writer.SaveToDescriptor(fd);
}

std::vector<uint8_t> TXLSFile::SaveToBuffer() {
    TXLSWriter writer(*m_workbook);
    writer.OnProgress = OnProgress;
    return writer.SaveToBuffer();
}

} // namespace orvek::xls
