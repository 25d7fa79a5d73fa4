// A first sheet whose cells are encoded as they are handed over, for tables written once.

#include "xls/BigRoom.h"
#include "xls/CompoundFile.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"
#include "xls/XLSWriter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace orvek::xls {

namespace {

constexpr size_t kMaxTextLength = 65535;
constexpr size_t kMaxCellRecord = 18;

} // namespace

TXLSCellStream::TXLSCellStream(TWorkbook& workbook, size_t expectedCells)
    : m_workbook(workbook), m_writer(workbook) {
    if (workbook.Sheets().Count() == 0) {
        throw EXLSError(EXLSError::NoSheets);
    }
    if (expectedCells > 0) {
        Grow(expectedCells * kMaxCellRecord);
    }
}

TXLSCellStream::~TXLSCellStream() {
    TBigRoom::Unmap(m_records, m_capacity);
}

// The records go to memory of huge pages put in place at once: they are written from start to
// end right away, and fresh 4 kB pages are what writing megabytes of records costs most.
void TXLSCellStream::Grow(size_t capacity) {
    uint8_t* grown = TBigRoom::Map(capacity, capacity);
    if (grown == nullptr) {
        throw std::bad_alloc();
    }
    if (m_size > 0) {
        std::memcpy(grown, m_records, m_size);
    }
    TBigRoom::Unmap(m_records, m_capacity);
    m_records = grown;
    m_capacity = capacity;
}

int64_t TXLSCellStream::Place(int row, int col) const {
    if (row < 0 || row > 65535 || col < 0 || col > 255) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    // In row order every position comes once, so the records are those of distinct cells.
    const int64_t key = int64_t{row} * 256 + col;
    if (key <= m_lastKey) {
        throw EXLSError(EXLSError::InvalidRowOrColumn);
    }
    return key;
}

unsigned TXLSCellStream::WithFormat(unsigned xf, int numberFormatIndex) {
    if (numberFormatIndex >= m_workbook.Formats().Count()) {
        throw EXLSError(EXLSError::InvalidCellProperty);
    }
    for (const FormatChoice& c : m_formatChoices) {
        if (c.from == xf && c.format == numberFormatIndex) {
            return c.xf;
        }
    }
    // As a cell changes its format: the same entry with this number format, interned.
    auto& table = m_workbook.XFTable();
    XFEntry entry = table.Entry(static_cast<int>(xf));
    unsigned result = xf;
    if (entry.NumberFormatIndex != numberFormatIndex) {
        entry.NumberFormatIndex = static_cast<uint16_t>(numberFormatIndex);
        result = static_cast<unsigned>(table.Add(entry));
    }
    m_formatChoices.push_back({xf, numberFormatIndex, result});
    return result;
}

void TXLSCellStream::Append(int64_t key, VarType type, int row, int col, unsigned xf, double number,
                            uint32_t sst) {
    if (m_capacity - m_size < kMaxCellRecord) {
        Grow(std::max<size_t>(m_capacity * 2, size_t{1} << 16));
    }
    m_size += TXLSWriter::EncodeCell(m_records + m_size, type, static_cast<unsigned>(row),
                                     static_cast<unsigned>(col), xf + 21, number, sst);
    ++m_count;
    m_lastKey = key;
    m_firstRow = std::min(m_firstRow, row);
    m_lastRow = std::max(m_lastRow, row);
    m_firstCol = std::min(m_firstCol, col);
    m_lastCol = std::max(m_lastCol, col);
}

void TXLSCellStream::Put(int row, int col, const Variant& value, int numberFormatIndex) {
    const int64_t at = Place(row, col);
    const VarType type = value.Type();
    if (type == VarType::Empty || type == VarType::Null) {
        throw EXLSError(EXLSError::InvalidCellValue);
    }
    const bool text = type == VarType::String || type == VarType::OleStr;
    std::string key;
    if (type == VarType::OleStr) {
        if (value.OleStrPart().size() > kMaxTextLength) {
            throw EXLSError(EXLSError::InvalidCellValue);
        }
        key = std::string(1, '\1') + Utf16ToBytes(value.OleStrPart());
    } else if (type == VarType::String) {
        const std::string& s = value.StringPart();
        // UTF-8 never has fewer bytes than UTF-16 units, so short texts need no conversion.
        if (s.size() > kMaxTextLength && Utf8ToUtf16(s).size() > kMaxTextLength) {
            throw EXLSError(EXLSError::InvalidCellValue);
        }
        key = std::string(1, '\0') + s;
    }
    unsigned xf = 0;
    if (type == VarType::Date && m_workbook.XFTable().Entry(0).NumberFormatIndex == 0) {
        xf = WithFormat(xf, TFormatStrings::kDateFormat);
    }
    if (numberFormatIndex >= 0) {
        xf = WithFormat(xf, numberFormatIndex);
    }
    const uint32_t sst = text ? static_cast<uint32_t>(m_writer.AddString(std::move(key))) : 0;
    Append(at, type, row, col, xf, text ? 0 : value.ToDouble(), sst);
}

void TXLSCellStream::PutNumber(int row, int col, double value, int numberFormatIndex) {
    const int64_t at = Place(row, col);
    const unsigned xf = numberFormatIndex >= 0 ? WithFormat(0, numberFormatIndex) : 0;
    Append(at, VarType::Double, row, col, xf, value, 0);
}

void TXLSCellStream::Save(TCFile& file) {
    if (m_workbook.Sheets().Count() == 0) {
        throw EXLSError(EXLSError::NoSheets);
    }
    if (m_workbook.Sheets().Items(0).Cells().Count() > 0) {
        throw std::logic_error("a streamed first sheet cannot have cells of its own");
    }
    m_writer.OnProgress = OnProgress;
    m_writer.m_streamed = this;
    m_writer.Save(file);
}

void TXLSCellStream::SaveAs(const std::string& fileName) {
    TCFile file(TCFileMode::Create, fileName);
    Save(file);
}

void TXLSCellStream::SaveToDescriptor(int fd) {
    TCFile file(fd);
    Save(file);
}

std::vector<uint8_t> TXLSCellStream::SaveToBuffer() {
    TCFile file(TCFileMode::Memory);
    Save(file);
    return file.TakeMemoryBytes();
}

} // namespace orvek::xls
