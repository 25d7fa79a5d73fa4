// The worksheet substreams and the defined names of a workbook being written.

#include "xls/BiffRecords.h"
#include "xls/CompoundFile.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"
#include "xls/XLSWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvek::xls {

namespace {

constexpr uint16_t kMaxRow = 0xFFFF;

// tArea3d of the defined-name formulas: an area of the sheet with this EXTERNSHEET index.
void putArea(TBiffBuffer& formula, unsigned sheet, const TRangeRect& r) {
    formula.U8(0x3B).U16(sheet).U16(r.FirstRow).U16(r.LastRow).U16(r.FirstCol).U16(r.LastCol);
}

// One area, or several joined by list operators inside a memory-function token.
TBiffBuffer areasFormula(unsigned sheet, const std::vector<TRangeRect>& rects) {
    TBiffBuffer inner;
    for (size_t i = 0; i < rects.size(); ++i) {
        putArea(inner, sheet, rects[i]);
        if (i > 0) {
            inner.U8(0x10);
        }
    }
    if (rects.size() == 1) {
        return inner;
    }
    TBiffBuffer formula;
    formula.U8(0x29).U16(static_cast<unsigned>(inner.Size())).Bytes(inner.Data(), inner.Size());
    return formula;
}

TBiffBuffer nameRecord(bool builtIn, unsigned localSheet, std::u16string_view name,
                       const TBiffBuffer& formula) {
    TBiffBuffer body;
    const bool wide = !IsLatin1(name);
    body.U16(builtIn ? 0x0020 : 0x0000)
        .U8(0)
        .U8(static_cast<unsigned>(name.size()))
        .U16(static_cast<unsigned>(formula.Size()))
        .U16(0)
        .U16(localSheet)
        .U32(0)
        .U8(wide ? 0x01 : 0x00)
        .Bytes(wide ? Utf16ToBytes(name) : Utf16ToLatin1(name))
        .Bytes(formula.Data(), formula.Size());
    return body;
}

unsigned roundEven(double v) {
    return static_cast<unsigned>(std::nearbyint(v));
}

} // namespace

void TXLSWriter::WriteNames() {
    const auto& sheets = m_workbook.Sheets();
    for (int i = 0; i < sheets.Count(); ++i) {
        const TSheet& sheet = sheets.Items(i);
        const auto s = static_cast<unsigned>(i);
        const TPageSetup& page = sheet.PageSetup();
        if (page.PrintArea.Count() > 0) {
            Record(biff::kName,
                   nameRecord(true, s + 1, u"\x06", areasFormula(s, page.PrintArea.Rects())));
        }
        std::vector<TRangeRect> titles;
        if (page.PrintTitleFirstCol >= 0 && page.PrintTitleLastCol >= page.PrintTitleFirstCol) {
            titles.push_back({0, kMaxRow,
                              static_cast<uint8_t>(std::min(page.PrintTitleFirstCol, 255)),
                              static_cast<uint8_t>(std::min(page.PrintTitleLastCol, 255))});
        }
        if (page.PrintTitleFirstRow >= 0 && page.PrintTitleLastRow >= page.PrintTitleFirstRow) {
            titles.push_back({static_cast<uint16_t>(std::min(page.PrintTitleFirstRow, 65535)),
                              static_cast<uint16_t>(std::min(page.PrintTitleLastRow, 65535)), 0,
                              255});
        }
        if (!titles.empty()) {
            Record(biff::kName, nameRecord(true, s + 1, u"\x07", areasFormula(s, titles)));
        }
        for (int r = 0; r < sheet.Ranges().Count(); ++r) {
            const TRange& range = sheet.Ranges().Items(r);
            if (!range.Merged() && !range.Name().empty() && range.Count() > 0) {
                const std::u16string name = Utf8ToUtf16(range.Name());
                if (name.size() > 255) {
                    throw EXLSError(EXLSError::InvalidRangeName, range.Name());
                }
                Record(biff::kName, nameRecord(false, 0, name, areasFormula(s, range.Rects())));
            }
        }
    }
}

void TXLSWriter::WriteSheet(int index) {
    const TSheet& sheet = m_workbook.Sheets().Items(index);
    const uint32_t bof = m_offset;
    Flush();
    m_stream->SetPosition(m_boundSheetOffsets[static_cast<size_t>(index)]);
    if (!m_stream->WriteDWord(bof)) {
        throw ECFileError(ECFileError::CannotWrite, m_stream->WriteError());
    }
    m_stream->SetPosition(bof);

    Record(biff::kBof, TBiffBuffer().U16(0x0600).U16(0x0010).U16(0x1846).U16(0));
    Record(biff::kIndex, TBiffBuffer().U32(0).U32(0).U32(0xFFFF).U32(0));
    TBiffBuffer horizontal;
    TBiffBuffer vertical;
    unsigned rowBreaks = 0;
    unsigned colBreaks = 0;
    for (int i = 0; i < sheet.PageBreaks().Count(); ++i) {
        const auto& [row, col] = sheet.PageBreaks().Items(i);
        if (row > 0) {
            horizontal.U16(row).U16(0).U16(255);
            ++rowBreaks;
        }
        if (col > 0) {
            vertical.U16(col).U16(0).U16(0xFFFF);
            ++colBreaks;
        }
    }
    Record(biff::kHorizontalPageBreaks,
           TBiffBuffer().U16(rowBreaks).Bytes(horizontal.Data(), horizontal.Size()));
    Record(biff::kVerticalPageBreaks,
           TBiffBuffer().U16(colBreaks).Bytes(vertical.Data(), vertical.Size()));
    WritePageSetup(sheet);
    WriteColumnsAndRows(sheet);
    WriteCells(sheet, index);
    WriteWindow(sheet);
    WriteMerged(sheet);
    Record(biff::kEof);
}

void TXLSWriter::WritePageSetup(const TSheet& sheet) {
    const TPageSetup& p = sheet.PageSetup();
    const unsigned firstPage = p.FirstPageNumber < 0 ? 0xFFFF : p.FirstPageNumber & 0xFFFF;
    const unsigned options = (p.LeftToRight ? 0x01 : 0) + (p.Portrait ? 0x02 : 0) +
                             (p.BlackAndWhite ? 0x08 : 0) + (p.Draft ? 0x10 : 0) +
                             (firstPage != 0xFFFF ? 0x80 : 0);
    Record(biff::kSetup, TBiffBuffer()
                             .U16(p.PaperSize)
                             .U16(p.Scale)
                             .U16(firstPage)
                             .U16(p.UseScaling ? 1 : p.FitWidth)
                             .U16(p.UseScaling ? 1 : p.FitHeight)
                             .U16(options)
                             .U16(0)
                             .U16(0)
                             .F64(p.HeaderMargin / 2.5)
                             .F64(p.FooterMargin / 2.5)
                             .U16(0));
    const unsigned wsbool = (p.SummaryRowsBelow ? 0 : 0x40) + (p.SummaryColsRight ? 0 : 0x80) +
                            (p.UseScaling ? 0x0400 : 0x0500);
    Record(biff::kWsBool, TBiffBuffer().U16(wsbool));
    Record(biff::kPrintHeaders, TBiffBuffer().U16(p.PrintHeadings ? 1 : 0));
    Record(biff::kPrintGridLines, TBiffBuffer().U16(p.PrintGridLines ? 1 : 0));
    int rowLevel = 0;
    int colLevel = 0;
    for (int i = 0; i < sheet.Rows().Count(); ++i) {
        rowLevel = std::max(rowLevel, sheet.Rows().At(i).OutlineLevel());
    }
    for (int i = 0; i < sheet.Columns().Count(); ++i) {
        colLevel = std::max(colLevel, sheet.Columns().At(i).OutlineLevel());
    }
    Record(biff::kGuts, TBiffBuffer()
                            .U16(29u * rowLevel)
                            .U16(29u * colLevel)
                            .U16(rowLevel ? rowLevel + 1u : 0)
                            .U16(colLevel ? colLevel + 1u : 0));
    Record(biff::kTopMargin, TBiffBuffer().F64(p.TopMargin / 2.5));
    Record(biff::kBottomMargin, TBiffBuffer().F64(p.BottomMargin / 2.5));
    Record(biff::kLeftMargin, TBiffBuffer().F64(p.LeftMargin / 2.5));
    Record(biff::kRightMargin, TBiffBuffer().F64(p.RightMargin / 2.5));
    Record(biff::kHCenter, TBiffBuffer().U16(p.CenterHorizontally ? 1 : 0));
    Record(biff::kVCenter, TBiffBuffer().U16(p.CenterVertically ? 1 : 0));
    const auto headerFooter = [this](uint16_t type, const std::string& left,
                                     const std::string& centre, const std::string& right) {
        if (left.empty() && centre.empty() && right.empty()) {
            return;
        }
        std::string text;
        text += left.empty() ? "" : "&L" + left;
        text += centre.empty() ? "" : "&C" + centre;
        text += right.empty() ? "" : "&R" + right;
        const std::u16string wide = Utf8ToUtf16(text);
        if (wide.size() > 255) {
            throw EXLSError(EXLSError::InvalidCellProperty);
        }
        TBiffBuffer body;
        body.U16(static_cast<unsigned>(wide.size())).U8(0x01).Bytes(Utf16ToBytes(wide));
        Record(type, body);
    };
    headerFooter(biff::kHeader, p.HeaderLeft, p.HeaderCenter, p.HeaderRight);
    headerFooter(biff::kFooter, p.FooterLeft, p.FooterCenter, p.FooterRight);
}

void TXLSWriter::WriteColumnsAndRows(const TSheet& sheet) {
    for (int i = 0; i < sheet.Columns().Count(); ++i) {
        const TColumn& c = sheet.Columns().At(i);
        Record(biff::kColInfo, TBiffBuffer()
                                   .U16(c.Index())
                                   .U16(c.Index())
                                   .U16(roundEven(c.Width() * 256))
                                   .U16(0)
                                   .U16(c.OutlineLevel() * 0x100u)
                                   .U8(0));
    }
    const TCells& cells = sheet.Cells();
    const bool streamed = m_streamed != nullptr && sheet.Index() == 0;
    if (streamed ? m_streamed->m_count > 0 : cells.Count() > 0) {
        int firstRow = 65535, lastRow = 0, firstCol = 255, lastCol = 0;
        if (streamed) {
            firstRow = m_streamed->m_firstRow;
            lastRow = m_streamed->m_lastRow;
            firstCol = m_streamed->m_firstCol;
            lastCol = m_streamed->m_lastCol;
        }
        for (int i = 0; i < cells.Count(); ++i) {
            const TCell& c = cells.At(i);
            firstRow = std::min(firstRow, c.Row());
            lastRow = std::max(lastRow, c.Row());
            firstCol = std::min(firstCol, c.Col());
            lastCol = std::max(lastCol, c.Col());
        }
        Record(biff::kDimensions, TBiffBuffer()
                                      .U32(static_cast<uint32_t>(firstRow))
                                      .U32(static_cast<uint32_t>(lastRow + 1))
                                      .U16(static_cast<unsigned>(firstCol))
                                      .U16(static_cast<unsigned>(lastCol + 1))
                                      .U16(0));
    }
    Record(biff::kDefaultRowHeight, TBiffBuffer().U16(0).U16(0x00FF));
    for (int i = 0; i < sheet.Rows().Count(); ++i) {
        const TRow& r = sheet.Rows().At(i);
        if (!r.SizeChanged()) {
            continue;
        }
        Record(biff::kRow, TBiffBuffer()
                               .U16(r.Index())
                               .U16(0)
                               .U16(0)
                               .U16(roundEven(r.Height() * 20))
                               .U16(0)
                               .U16(0)
                               .U16(0x0100u + (r.CustomSize() ? 0x40u : 0u) +
                                    static_cast<unsigned>(r.OutlineLevel()))
                               .U16(0));
    }
}

namespace {

// A cell record's start in place: type, length, row, column, XF.
size_t cellHead(uint8_t* out, uint16_t type, uint16_t length, unsigned row, unsigned col,
                unsigned xf) {
    const uint8_t head[10] = {static_cast<uint8_t>(type),   static_cast<uint8_t>(type >> 8),
                              static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                              static_cast<uint8_t>(row),    static_cast<uint8_t>(row >> 8),
                              static_cast<uint8_t>(col),    static_cast<uint8_t>(col >> 8),
                              static_cast<uint8_t>(xf),     static_cast<uint8_t>(xf >> 8)};
    std::memcpy(out, head, sizeof head);
    return sizeof head;
}

void putDouble(uint8_t* out, double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

} // namespace

size_t TXLSWriter::EncodeCell(uint8_t* out, VarType type, unsigned row, unsigned col, unsigned xf,
                              double number, uint32_t sst) {
    size_t size = 0;
    if (IsNumberType(type)) {
        size = cellHead(out, biff::kNumber, 14, row, col, xf);
        putDouble(out + size, number);
        return size + 8;
    }
    switch (type) {
    case VarType::Empty:
        return cellHead(out, biff::kBlank, 6, row, col, xf);
    case VarType::Date:
        // The file's day numbers include the nonexistent 29 February 1900.
        size = cellHead(out, biff::kNumber, 14, row, col, xf);
        putDouble(out + size, number >= 61 ? number : number - 1);
        return size + 8;
    case VarType::String:
    case VarType::OleStr:
        size = cellHead(out, biff::kLabelSst, 10, row, col, xf);
        for (int k = 0; k < 4; ++k) {
            out[size++] = static_cast<uint8_t>(sst >> (8 * k));
        }
        return size;
    case VarType::Boolean:
        size = cellHead(out, biff::kBoolErr, 8, row, col, xf);
        out[size++] = number != 0 ? 1 : 0;
        out[size++] = 0;
        return size;
    default:
        break;
    }
    return 0;
}

// One record per cell, the hot loop of a save: each record is put together in place.
void TXLSWriter::WriteCells(const TSheet& sheet, int index) {
    if (m_streamed != nullptr && index == 0) {
        if (m_streamed->m_size > 0) {
            Put(m_streamed->m_records, m_streamed->m_size);
        }
        Report(m_progress + m_step * m_streamed->m_count);
        return;
    }
    const TCells& cells = sheet.Cells();
    const auto& strings = m_sheetStrings[static_cast<size_t>(index)];
    size_t nextString = 0;
    uint8_t record[18];
    for (int i = 0; i < cells.Count(); ++i) {
        const TCell& cell = cells.At(i);
        const VarType type = cell.ValueType();
        const bool text = type == VarType::String || type == VarType::OleStr;
        const bool number = !text && type != VarType::Empty && type != VarType::Null;
        const size_t size = EncodeCell(
            record, type, static_cast<unsigned>(cell.Row()), static_cast<unsigned>(cell.Col()),
            static_cast<unsigned>(cell.XFIndex() + 21), number ? cell.NumberValue() : 0,
            text ? strings[nextString++] : 0);
        if (size > 0) {
            Put(record, size);
        }
        Report(m_progress + m_step);
    }
}

void TXLSWriter::WriteWindow(const TSheet& sheet) {
    const unsigned options = (sheet.ShowGridLines ? 0x02 : 0) + (sheet.ShowHeaders ? 0x04 : 0) +
                             (sheet.ShowZeros ? 0x10 : 0) + 0x04A0 +
                             (sheet.Index() == 0 ? 0x0200 : 0);
    Record(biff::kWindow2, TBiffBuffer().U16(options).U16(0).U16(0).U32(0).U16(0).U16(0).U32(0));
}

void TXLSWriter::WriteMerged(const TSheet& sheet) {
    std::vector<TRangeRect> rects;
    for (int i = 0; i < sheet.Ranges().Count(); ++i) {
        const TRange& range = sheet.Ranges().Items(i);
        if (range.Merged()) {
            rects.insert(rects.end(), range.Rects().begin(), range.Rects().end());
        }
    }
    for (size_t start = 0; start < rects.size(); start += 1024) {
        const size_t count = std::min<size_t>(1024, rects.size() - start);
        TBiffBuffer body;
        body.U16(static_cast<unsigned>(count));
        for (size_t i = start; i < start + count; ++i) {
            body.U16(rects[i].FirstRow)
                .U16(rects[i].LastRow)
                .U16(rects[i].FirstCol)
                .U16(rects[i].LastCol);
        }
        Record(biff::kMergedCells, body);
    }
}

} // namespace orvek::xls
