#include "xls/XLSReader.h"

#include "xls/BiffRecords.h"
#include "xls/CompoundFile.h"
#include "xls/MergedCells.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace orvek::xls {

namespace {

using namespace biff;

// Library palette numbers are the file's colour indices minus 7; anything outside the palette
// becomes 1.
uint8_t colourFromFile(unsigned index) {
    return (index >= 8 && index <= 65) ? static_cast<uint8_t>(index - 7) : 1;
}

// A BIFF8 string body of `count` characters: 16-bit when bit 0 of the flags is set, else
// Latin-1 bytes.
std::u16string readChars(TEasyStream& body, size_t count, bool wide) {
    if (wide) {
        const std::string bytes = body.ReadBytes(count * 2);
        return BytesToUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), count);
    }
    return Latin1ToUtf16(body.ReadBytes(count));
}

} // namespace

double DecodeRK(uint32_t rk) {
    double value = 0;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

void TXLSReader::LoadFromFile(const std::string& fileName) {
    m_workbook.Clear();
    TCFile file(TCFileMode::Open, fileName);
    Load(file);
}

void TXLSReader::LoadFromBuffer(const uint8_t* data, size_t size) {
    m_workbook.Clear();
    TCFile file(data, size);
    Load(file);
}

void TXLSReader::Load(TCFile& file) {
    TCFileStream* stream = file.Root().FindStream("Workbook");
    if (stream == nullptr) {
        throw EXLSError(EXLSError::StreamNotFound, "Workbook");
    }
    m_stream = std::make_unique<TBIFFStream>(stream->Bytes());
    // A file that shrank under the reader gives zeros where its end was: whatever they made of
    // the records, the file is refused as changed.
    try {
        ReadRecords();
        MarkMerged();
        ReadNames();
    } catch (const std::exception&) {
        if (file.Damaged()) {
            throw ECFileError(ECFileError::FileChanged);
        }
        throw;
    }
    if (file.Damaged()) {
        throw ECFileError(ECFileError::FileChanged);
    }
}

bool TXLSReader::ReadRecord() {
    const bool ok = m_stream->Next(m_record);
    if (OnProgress) {
        const size_t size = m_stream->Size();
        OnProgress(size == 0 ? 1.0 : static_cast<double>(m_stream->Position()) / size);
    }
    if (ok) {
        m_consumed = false;
        m_dispatches = 0;
    } else {
        m_consumed = true; // nothing left to dispatch
    }
    return ok;
}

void TXLSReader::ReadRecords() {
    m_stream->Seek(0);
    m_consumed = true;
    while (true) {
        if (m_consumed) {
            if (!ReadRecord()) {
                break;
            }
        } else if (++m_dispatches > 1) {
            throw std::runtime_error("Error: BIFF record can not be processed");
        }
        Dispatch();
    }
}

void TXLSReader::Dispatch() {
    const uint16_t type = m_record.Type;
    if (type == kSST) {
        ReadSST(); // leaves the record that ended the table current
        return;
    }
    m_consumed = true;
    switch (type) {
    case kFormula:
        return ReadFormula();
    case kEof:
        return ReadEof();
    case kName:
        m_names.emplace_back(reinterpret_cast<const char*>(m_record.Body.Current()),
                             m_record.Body.Size());
        return;
    case kFont:
        return ReadFont();
    case kColInfo:
        return ReadColInfo();
    case kBoundSheet:
        return ReadBoundSheet();
    case kMulRk:
        return ReadMulRk();
    case kMulBlank:
        return ReadMulBlank();
    case kXF:
        return ReadXF();
    case kMergedCells:
        return ReadMergedCells();
    case kLabelSst:
        return ReadLabelSst();
    case kBlank:
        return ReadBlank();
    case kNumber:
        return ReadNumber();
    case kLabel:
        return ReadLabel();
    case kBoolErr:
        return ReadBoolErr();
    case kString:
        return ReadString();
    case kRow:
        return ReadRow();
    case kDimensions:
        // The sheet's row count, so that its row index is made once rather than grown; a
        // record that says nothing usable is left alone, as before.
        if (m_globalsDone && m_sheetIndex < m_workbook.Sheets().Count() &&
            m_record.Body.Size() >= 8) {
            TEasyStream& b = m_record.Body;
            b.Skip(4);
            const uint32_t rows = b.ReadDWord();
            CurrentSheet().Cells().ReserveRows(static_cast<int>(std::min<uint32_t>(rows, 65536)));
        }
        return;
    case kRk:
        return ReadRk();
    case kFormat:
        return ReadFormat();
    case kBof:
        ++m_depth;
        return;
    default:
        return;
    }
}

TSheet& TXLSReader::CurrentSheet() {
    return m_workbook.Sheets().Items(m_sheetIndex);
}

bool TXLSReader::IsDateXF(int xf) {
    if (static_cast<size_t>(xf) >= m_dateXF.size()) {
        m_dateXF.resize(static_cast<size_t>(m_workbook.XFTable().Count()));
    }
    DateClass& cached = m_dateXF[static_cast<size_t>(xf)];
    if (cached.stamp != m_formatStamp) {
        const int format = m_workbook.XFTable().Entry(xf).NumberFormatIndex;
        const auto& formats = m_workbook.Formats();
        cached.date =
            format < formats.Count() && ClassifyFormat(formats.Items(format)) == FormatClass::Date;
        cached.stamp = m_formatStamp;
    }
    return cached.date;
}

void TXLSReader::ApplyXF(TCell& cell, int xf) {
    if (xf < 0 || xf >= m_workbook.XFTable().Count()) {
        return;
    }
    cell.SetXFIndex(xf);
    if (m_numbers == TCellNumbers::AsFormatted && IsDateXF(xf) && IsNumberType(cell.ValueType())) {
        // Day numbers of the file count 1 January 1900 as day 1 and include the nonexistent
        // 29 February 1900; dates here count it as 2 and go straight to 1 March (61).
        double t = cell.NumberValue() + 1;
        if (t > 61) {
            t -= 1;
        }
        cell.SetValue(Variant::Date(t));
    }
}

void TXLSReader::SetValue(int row, int col, const Variant& value, int xf) {
    TCell& cell = CurrentSheet().Cells().Cell(row, col);
    cell.SetValue(value);
    ApplyXF(cell, xf);
}

void TXLSReader::ReadFormula() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    const std::string result = b.ReadBytes(8);
    const auto* r = reinterpret_cast<const uint8_t*>(result.data());
    TCell& cell = CurrentSheet().Cells().Cell(row, col);
    if (r[6] == 0xFF && r[7] == 0xFF) {
        if (r[0] == 0) {
            m_formulaRow = row;
            m_formulaCol = col;
            m_formulaXF = xf;
        } else if (r[0] == 1) {
            cell.SetValue(Variant(r[2] == 1));
        } else if (r[0] == 2) {
            NoteError(row, col, r[2]);
        }
    } else {
        double value = 0;
        std::memcpy(&value, r, sizeof value);
        cell.SetValue(Variant(value));
    }
    ApplyXF(cell, xf);
}

void TXLSReader::ReadEof() {
    --m_depth;
    if (m_depth == 0) {
        if (!m_globalsDone) {
            m_globalsDone = true;
        } else {
            ++m_sheetIndex;
        }
    }
}

void TXLSReader::ReadFont() {
    if (!m_fontsStarted) {
        m_fontsStarted = true;
        m_workbook.FontTable().Empty();
    }
    TEasyStream& b = m_record.Body;
    FontEntry font;
    font.Height = static_cast<uint16_t>(b.ReadWord() / 20);
    const uint16_t options = b.ReadWord();
    font.Italic = (options >> 1) & 1;
    font.StrikeOut = (options >> 3) & 1;
    font.Color = colourFromFile(b.ReadWord());
    font.Bold = b.ReadWord() == 700;
    font.Escapement = static_cast<uint8_t>(b.ReadWord());
    const uint8_t underline = b.ReadByte();
    // The writer stores styles 3 and 4 as 0x21 and 0x22; map them back so a round trip holds.
    font.UnderlineStyle = underline == 0x21 ? 3 : underline == 0x22 ? 4 : underline;
    font.Underline = underline != 0;
    b.Skip(3); // family, character set, reserved
    const uint8_t length = b.ReadByte();
    const uint8_t flags = b.ReadByte();
    font.Name = readChars(b, length, flags & 1);
    m_workbook.FontTable().Append(font);
}

void TXLSReader::ReadColInfo() {
    TEasyStream& b = m_record.Body;
    const int first = std::min<int>(b.ReadWord(), 255);
    const int last = std::min<int>(b.ReadWord(), 255);
    const double width = b.ReadWord() / 256.0;
    b.Skip(2); // XF
    const int level = (b.ReadWord() >> 8) & 7;
    TColumns& columns = CurrentSheet().Columns();
    for (int c = first; c <= last; ++c) {
        TColumn& column = columns.Items(c);
        column.SetWidth(width);
        column.SetOutlineLevel(std::min(7, column.OutlineLevel() + level));
    }
}

void TXLSReader::ReadBoundSheet() {
    TEasyStream& b = m_record.Body;
    b.Skip(6);
    const uint8_t length = b.ReadByte();
    const uint8_t flags = b.ReadByte();
    m_workbook.Sheets().Add(Utf16ToUtf8(readChars(b, length, flags & 1)));
}

void TXLSReader::ReadMulRk() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    int col = b.ReadWord();
    while (b.Remaining() > 6) {
        const int xf = b.ReadWord();
        SetValue(row, col++, Variant(DecodeRK(b.ReadDWord())), xf);
    }
}

void TXLSReader::ReadMulBlank() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    int col = b.ReadWord();
    auto& xfs = m_workbook.XFTable();
    while (b.Remaining() > 2) {
        const int xf = b.ReadWord();
        if (xf < xfs.Count() && !xfs.Entry(xf).IsPlain()) {
            ApplyXF(CurrentSheet().Cells().Cell(row, col), xf);
        }
        ++col;
    }
}

void TXLSReader::ReadXF() {
    if (!m_xfsStarted) {
        m_xfsStarted = true;
        m_workbook.XFTable().Empty();
    }
    TEasyStream& b = m_record.Body;
    XFEntry e;
    const uint16_t font = b.ReadWord();
    e.FontIndex = font > 3 ? font - 1 : font;
    const int format = m_workbook.Formats().IndexOfBiff(b.ReadWord());
    e.NumberFormatIndex = static_cast<uint16_t>(format < 0 ? 0 : format);
    b.Skip(2);
    const uint16_t align = b.ReadWord();
    e.HAlign = align & 7;
    e.Wrap = (align >> 3) & 1;
    e.VAlign = (align >> 4) & 7;
    e.Rotation = static_cast<uint8_t>(align >> 8);
    e.Indent = b.ReadByte() & 0x0F;
    b.Skip(1);
    const uint16_t styles = b.ReadWord();
    for (int side = 0; side < 4; ++side) {
        e.BorderStyle[static_cast<size_t>(side)] = (styles >> (4 * side)) & 0x0F;
    }
    const uint16_t leftRight = b.ReadWord();
    const uint32_t topBottom = b.ReadDWord();
    e.BorderColor[0] = colourFromFile(leftRight & 0x7F);
    e.BorderColor[1] = colourFromFile((leftRight >> 7) & 0x7F);
    e.BorderColor[2] = colourFromFile(topBottom & 0x7F);
    e.BorderColor[3] = colourFromFile((topBottom >> 7) & 0x7F);
    e.FillPattern = static_cast<uint8_t>(topBottom >> 26);
    const uint16_t pattern = b.ReadWord();
    uint8_t fore = colourFromFile(pattern & 0x7F);
    uint8_t back = colourFromFile((pattern >> 7) & 0x7F);
    if (e.FillPattern == 1) {
        std::swap(fore, back);
    }
    e.PatternColor = fore;
    e.PatternBgColor = back;
    const auto index = static_cast<size_t>(m_workbook.XFTable().Append(e));
    if (index < m_dateXF.size()) {
        m_dateXF[index].stamp = 0; // the table was emptied by this file's first XF
    }
}

void TXLSReader::ReadMergedCells() {
    TEasyStream& b = m_record.Body;
    b.Skip(2);
    std::vector<TRangeRect> rects;
    while (b.Remaining() > 7) {
        const uint16_t firstRow = b.ReadWord();
        const uint16_t lastRow = b.ReadWord();
        const uint16_t firstCol = b.ReadWord();
        const uint16_t lastCol = b.ReadWord();
        if (firstRow > lastRow || firstCol > lastCol || lastCol > 255) {
            continue; // not a rectangle of the sheet
        }
        rects.push_back(
            {firstRow, lastRow, static_cast<uint8_t>(firstCol), static_cast<uint8_t>(lastCol)});
    }
    TSheet& sheet = CurrentSheet();
    for (const auto& rect : rects) {
        sheet.Ranges().AddMerged(rect);
    }
    m_merged.resize(std::max(m_merged.size(), static_cast<size_t>(m_sheetIndex) + 1));
    auto& list = m_merged[static_cast<size_t>(m_sheetIndex)];
    list.insert(list.end(), rects.begin(), rects.end());
}

// The merged flag is part of a cell's format, so it is set once all cells have their formats.
// Each format's merged twin is made once; no lookup by content happens while loading.
void TXLSReader::MarkMerged() {
    auto& xfs = m_workbook.XFTable();
    std::unordered_map<int, int> twins;
    for (size_t s = 0; s < m_merged.size() && s < static_cast<size_t>(m_workbook.Sheets().Count());
         ++s) {
        MarkMergedCells(m_workbook.Sheets().Items(static_cast<int>(s)).Cells(), m_merged[s],
                        [&](TCell& cell) {
                            auto [it, added] = twins.try_emplace(cell.XFIndex(), 0);
                            if (added) {
                                XFEntry e = cell.Format();
                                e.Merged = 1;
                                it->second = e == cell.Format() ? cell.XFIndex() : xfs.Append(e);
                            }
                            cell.SetXFIndex(it->second);
                        });
    }
}

void TXLSReader::ReadLabelSst() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    const uint32_t index = b.ReadDWord();
    if (index >= m_sst.size()) {
        throwListIndexError(index);
    }
    SetValue(row, col, m_sst[index], xf);
}

void TXLSReader::ReadLabel() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    const uint16_t count = b.ReadWord();
    const uint8_t flags = b.ReadByte();
    std::u16string text = readChars(b, count, flags & 1);
    if (flags & 1) {
        SetValue(row, col, Variant(std::move(text)), xf);
    } else {
        SetValue(row, col, Variant(Utf16ToUtf8(text)), xf);
    }
}

void TXLSReader::ReadBlank() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    ApplyXF(CurrentSheet().Cells().Cell(row, col), xf);
}

void TXLSReader::ReadNumber() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    SetValue(row, col, Variant(b.ReadDouble()), xf);
}

void TXLSReader::ReadBoolErr() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    const uint8_t value = b.ReadByte();
    const uint8_t isError = b.ReadByte();
    if (isError == 0 && value <= 1) {
        SetValue(row, col, Variant(value == 1), xf);
    } else if (isError != 0) {
        NoteError(row, col, value);
    }
}

void TXLSReader::NoteError(int row, int col, uint8_t code) {
    if (m_errorCells != nullptr) {
        m_errorCells->push_back(TErrorCell{m_sheetIndex, row, col, code});
    }
}

void TXLSReader::ReadString() {
    if (m_formulaRow < 0) {
        return;
    }
    TEasyStream& b = m_record.Body;
    const uint16_t count = b.ReadWord();
    const uint8_t flags = b.ReadByte();
    const std::u16string text =
        readChars(b, std::min<size_t>(count, b.Remaining() / ((flags & 1) + 1)), flags & 1);
    const int row = m_formulaRow;
    const int col = m_formulaCol;
    const int xf = m_formulaXF;
    m_formulaRow = m_formulaCol = m_formulaXF = -1;
    SetValue(row, col, Variant(Utf16ToUtf8(text)), xf);
}

void TXLSReader::ReadRow() {
    TEasyStream& b = m_record.Body;
    const int index = b.ReadWord();
    b.Skip(4);
    const double height = (b.ReadWord() & 0x7FFF) / 20.0;
    b.Skip(4);
    const int level = b.ReadWord() & 7;
    TRow& row = CurrentSheet().Rows().Items(index);
    row.SetHeight(height);
    row.SetOutlineLevel(std::min(7, row.OutlineLevel() + level));
}

void TXLSReader::ReadRk() {
    TEasyStream& b = m_record.Body;
    const int row = b.ReadWord();
    const int col = b.ReadWord();
    const int xf = b.ReadWord();
    SetValue(row, col, Variant(DecodeRK(b.ReadDWord())), xf);
}

void TXLSReader::ReadFormat() {
    TEasyStream& b = m_record.Body;
    const uint16_t biff = b.ReadWord();
    const uint16_t count = b.ReadWord();
    const uint8_t flags = b.ReadByte();
    m_workbook.Formats().Add(biff, Utf16ToUtf8(readChars(b, count, flags & 1)));
    ++m_formatStamp;
}

} // namespace orvek::xls
