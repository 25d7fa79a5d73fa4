#include "xls/XLSWriter.h"

#include "xls/BiffRecords.h"
#include "xls/CompoundFile.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvek::xls {

namespace {

using biff::kMaxRecordBody;

// A string as a BIFF8 string body: character count, flags, characters. Texts that fit Latin-1
// are stored with 8-bit characters.
struct BiffText {
    uint16_t count;
    uint8_t flags;
    std::string bytes;
};

BiffText biffText(std::u16string_view text) {
    const auto count = static_cast<uint16_t>(std::min<size_t>(text.size(), 0xFFFF));
    text = text.substr(0, count);
    if (IsLatin1(text)) {
        return {count, 0x00, Utf16ToLatin1(text)};
    }
    return {count, 0x01, Utf16ToBytes(text)};
}

// Flag byte 0x01 and UTF-16LE, as the globals store names and formats.
void putWide(TBiffBuffer& body, std::u16string_view text) {
    body.U8(0x01).Bytes(Utf16ToBytes(text));
}

} // namespace

void TXLSWriter::SaveToFile(const std::string& fileName) {
    TCFile file(TCFileMode::Create, fileName);
    Save(file);
}

void TXLSWriter::SaveToDescriptor(int fd) {
    TCFile file(fd);
    Save(file);
}

std::vector<uint8_t> TXLSWriter::SaveToBuffer() {
    TCFile file(TCFileMode::Memory);
    Save(file);
    return file.TakeMemoryBytes();
}

void TXLSWriter::Save(TCFile& file) {
    m_offset = 0;
    m_buffered = 0;
    m_stream = &file.Root().CreateStream("Workbook");
    WriteWorkbook();
    file.Commit();
}

void TXLSWriter::Report(double progress) {
    m_progress = std::clamp(progress, 0.0, 1.0);
    if (OnProgress) {
        OnProgress(m_progress);
    }
}

void TXLSWriter::Put(const void* data, size_t size) {
    if (m_buffered + size > m_buffer.size()) {
        Flush();
    }
    if (size > m_buffer.size()) {
        if (m_stream->Write(data, size) != size) {
            throw ECFileError(ECFileError::CannotWrite, m_stream->WriteError());
        }
    } else {
        std::memcpy(m_buffer.data() + m_buffered, data, size);
        m_buffered += size;
    }
    m_offset += static_cast<uint32_t>(size);
}

void TXLSWriter::Flush() {
    if (m_buffered > 0) {
        const size_t size = m_buffered;
        m_buffered = 0;
        if (m_stream->Write(m_buffer.data(), size) != size) {
            throw ECFileError(ECFileError::CannotWrite, m_stream->WriteError());
        }
    }
}

void TXLSWriter::Record(uint16_t type, const TBiffBuffer& body) {
    if (body.Size() > kMaxRecordBody) {
        throw EXLSError(EXLSError::BufferTooSmall);
    }
    const uint8_t header[4] = {static_cast<uint8_t>(type), static_cast<uint8_t>(type >> 8),
                               static_cast<uint8_t>(body.Size()),
                               static_cast<uint8_t>(body.Size() >> 8)};
    Put(header, 4);
    if (body.Size() > 0) {
        Put(body.Data(), body.Size());
    }
}

void TXLSWriter::WriteWorkbook() {
    Report(0);
    if (m_workbook.Sheets().Count() == 0) {
        throw EXLSError(EXLSError::NoSheets);
    }
    CheckCells();
    BuildStringTable();
    Report(0.05);
    Report(0.06); // no pictures to prepare
    WriteGlobals();
    Report(0.1);
    int cells = 0;
    for (int i = 0; i < m_workbook.Sheets().Count(); ++i) {
        cells += m_workbook.Sheets().Items(i).Cells().Count();
    }
    if (m_streamed != nullptr) {
        cells += m_streamed->Count();
    }
    m_step = cells > 0 ? (0.9 - 0.1) / cells : 0;
    // Room for the whole stream when it is kept in memory, so that growing it copies nothing:
    // at most 18 bytes a cell and the rows' and columns' records.
    size_t room = m_offset + (size_t{1} << 16);
    for (int i = 0; i < m_workbook.Sheets().Count(); ++i) {
        const TSheet& sheet = m_workbook.Sheets().Items(i);
        room += 512 + size_t{18} * static_cast<size_t>(sheet.Cells().Count()) +
                size_t{20} * static_cast<size_t>(sheet.Rows().Count() + sheet.Columns().Count());
    }
    if (m_streamed != nullptr) {
        room += m_streamed->m_size;
    }
    m_stream->Reserve(room);
    for (int i = 0; i < m_workbook.Sheets().Count(); ++i) {
        WriteSheet(i);
    }
    Flush();
    Report(1);
}

// There is no formula compiler and no hyperlink writer: refuse such cells before anything is
// written rather than save a file that silently lacks them.
void TXLSWriter::CheckCells() const {
    for (int s = 0; s < m_workbook.Sheets().Count(); ++s) {
        const TCells& cells = m_workbook.Sheets().Items(s).Cells();
        for (int i = 0; i < cells.Count(); ++i) {
            if (!cells.At(i).Formula().empty()) {
                throw EXLSError(EXLSError::InvalidFormula);
            }
            if (!cells.At(i).Hyperlink().empty()) {
                throw EXLSError(EXLSError::InvalidCellProperty);
            }
        }
    }
}

int TXLSWriter::AddString(std::string key) {
    const uint32_t crc = KeyCrc32(key.data(), key.size());
    const auto& bucket = m_stringIndex.Candidates(crc);
    for (size_t k = 0; k < bucket.tags.size(); ++k) {
        if (bucket.tags[k] == crc && m_strings[bucket.positions[k]] == key) {
            return static_cast<int>(bucket.positions[k]);
        }
    }
    const auto index = static_cast<uint32_t>(m_strings.size());
    m_strings.push_back(std::move(key));
    m_stringIndex.Insert(crc, crc, index);
    return static_cast<int>(index);
}

void TXLSWriter::BuildStringTable() {
    m_sheetStrings.assign(static_cast<size_t>(m_workbook.Sheets().Count()), {});
    for (int s = 0; s < m_workbook.Sheets().Count(); ++s) {
        const TCells& cells = m_workbook.Sheets().Items(s).Cells();
        for (int i = 0; i < cells.Count(); ++i) {
            const TCell& cell = cells.At(i);
            if (cell.ValueType() == VarType::String) {
                m_sheetStrings[static_cast<size_t>(s)].push_back(static_cast<uint32_t>(
                    AddString(std::string(1, '\0') + cell.TextValue().StringPart())));
            } else if (cell.ValueType() == VarType::OleStr) {
                m_sheetStrings[static_cast<size_t>(s)].push_back(static_cast<uint32_t>(
                    AddString(std::string(1, '\1') + Utf16ToBytes(cell.TextValue().OleStrPart()))));
            }
        }
    }
}

void TXLSWriter::WriteGlobals() {
    const int sheets = m_workbook.Sheets().Count();
    Record(biff::kBof, TBiffBuffer().U16(0x0600).U16(0x0005).U16(0x1846).U16(0));
    Record(biff::kInterfaceHdr, TBiffBuffer().U16(0x04B0));
    Record(biff::kMms);
    Record(biff::kInterfaceEnd);
    Record(biff::kExcel9File);
    Record(biff::kDsf, TBiffBuffer().U16(0));
    TBiffBuffer tabs;
    for (int i = 0; i < sheets; ++i) {
        tabs.U16(static_cast<unsigned>(i));
    }
    Record(biff::kTabId, tabs);
    static const uint8_t kWindow1[18] = {0x68, 0x01, 0x0F, 0x00, 0x4C, 0x2C, 0x8B, 0x1A, 0x38,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x58, 0x02};
    Record(biff::kWindow1, TBiffBuffer().Bytes(kWindow1, sizeof kWindow1));
    Record(biff::kHideObj, TBiffBuffer().U16(0));
    Record(biff::kDateMode, TBiffBuffer().U16(0)); // 1900 date system
    Record(biff::kWindowProtect, TBiffBuffer().U16(0));
    Record(biff::kProtect, TBiffBuffer().U16(0));
    WriteFonts();
    WriteFormats();
    WriteXFs();
    static const uint16_t kStyles[6][2] = {{0x8010, 4}, {0x8011, 7}, {0x8000, 0},
                                           {0x8012, 5}, {0x8013, 3}, {0x8014, 6}};
    for (const auto& style : kStyles) {
        Record(biff::kStyle, TBiffBuffer().U16(style[0]).U8(style[1]).U8(0xFF));
    }
    WriteBoundSheets();
    WriteExternals();
    WriteNames();
    WriteSST();
    Record(biff::kExtSst, TBiffBuffer().U16(0));
    Record(biff::kEof);
}

void TXLSWriter::WriteFonts() {
    static const uint8_t kUnderline[5] = {0x00, 0x01, 0x02, 0x21, 0x22};
    const auto& fonts = m_workbook.FontTable();
    for (int i = 0; i < fonts.Count(); ++i) {
        const FontEntry f = fonts.Entry(i);
        unsigned style = f.UnderlineStyle > 4 ? 1u : f.UnderlineStyle;
        if (f.Underline && style == 0) {
            style = 1;
        }
        TBiffBuffer body;
        body.U16(f.Height * 20u)
            .U16((f.Italic ? 0x0002u : 0u) + (f.StrikeOut ? 0x0008u : 0u))
            .U16(f.Color + 7u)
            .U16(f.Bold ? 700 : 400)
            .U16(f.Escapement)
            .U8(kUnderline[style])
            .U8(0) // family
            .U8(1) // character set
            .U8(0) // reserved
            .U8(static_cast<unsigned>(f.Name.size()));
        putWide(body, f.Name);
        Record(biff::kFont, body);
    }
}

void TXLSWriter::WriteFormats() {
    const auto& formats = m_workbook.Formats();
    for (int i = TFormatStrings::kBuiltInCount; i < formats.Count(); ++i) {
        const std::u16string text = Utf8ToUtf16(formats.Items(i).Format);
        if (text.size() > 255) {
            throw EXLSError(EXLSError::InvalidCellProperty);
        }
        TBiffBuffer body;
        body.U16(formats.Items(i).BiffIndex).U16(static_cast<unsigned>(text.size()));
        putWide(body, text);
        Record(biff::kFormat, body);
    }
}

void TXLSWriter::WriteXFs() {
    static const uint8_t kStyleXF[20] = {0x00, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0xC0, 0x20};
    for (int i = 0; i < 15; ++i) {
        Record(biff::kXF, TBiffBuffer().Bytes(kStyleXF, 20));
    }
    uint8_t cellXF[20];
    std::copy(kStyleXF, kStyleXF + 20, cellXF);
    cellXF[4] = 0x01;
    cellXF[5] = 0x00;
    Record(biff::kXF, TBiffBuffer().Bytes(cellXF, 20));
    for (const uint8_t format : {0x2C, 0x2A, 0x09, 0x2B, 0x29}) {
        uint8_t xf[20];
        std::copy(kStyleXF, kStyleXF + 20, xf);
        xf[0] = 0x01;
        xf[2] = format;
        xf[9] = 0xF8;
        Record(biff::kXF, TBiffBuffer().Bytes(xf, 20));
    }
    const auto& table = m_workbook.XFTable();
    const auto& formats = m_workbook.Formats();
    for (int i = 0; i < table.Count(); ++i) {
        const XFEntry e = table.Entry(i);
        const unsigned biff = e.NumberFormatIndex < formats.Count()
                                  ? formats.Items(e.NumberFormatIndex).BiffIndex
                                  : 0;
        const auto colour = [&](int side) -> uint32_t {
            return e.BorderStyle[static_cast<size_t>(side)] != 0
                       ? (e.BorderColor[static_cast<size_t>(side)] + 7u) & 0x7F
                       : 0;
        };
        const uint32_t borderColours =
            colour(0) | (colour(1) << 7) | (colour(2) << 16) | (colour(3) << 23);
        unsigned fore = (e.PatternColor + 7u) & 0x7F;
        unsigned back = (e.PatternBgColor + 7u) & 0x7F;
        if (e.FillPattern == 1) {
            std::swap(fore, back);
        }
        TBiffBuffer body;
        body.U16(e.FontIndex + (e.FontIndex > 3 ? 1u : 0u))
            .U16(biff)
            .U16(0x0001)
            .U16((e.HAlign & 7u) + 16u * (e.VAlign & 7u) + 8u * (e.Wrap ? 1u : 0u) +
                 256u * e.Rotation)
            .U16((e.Indent & 0x0Fu) + (e.Merged ? 0x20u : 0u) + 0x0400u)
            .U16((e.BorderStyle[0] & 0xFu) | ((e.BorderStyle[1] & 0xFu) << 4) |
                 ((e.BorderStyle[2] & 0xFu) << 8) | ((e.BorderStyle[3] & 0xFu) << 12))
            .U32(borderColours)
            .U16((e.FillPattern & 0x3Fu) << 10)
            .U16(fore | (back << 7));
        Record(biff::kXF, body);
    }
}

void TXLSWriter::WriteBoundSheets() {
    m_boundSheetOffsets.clear();
    for (int i = 0; i < m_workbook.Sheets().Count(); ++i) {
        const std::u16string name = Utf8ToUtf16(m_workbook.Sheets().Items(i).Name());
        m_boundSheetOffsets.push_back(m_offset + 4);
        TBiffBuffer body;
        body.U32(0).U16(0).U8(static_cast<unsigned>(name.size()));
        putWide(body, name);
        Record(biff::kBoundSheet, body);
    }
}

void TXLSWriter::WriteExternals() {
    const auto sheets = static_cast<unsigned>(m_workbook.Sheets().Count());
    Record(biff::kSupBook, TBiffBuffer().U16(sheets).U16(0x0401)); // internal references
    TBiffBuffer body;
    body.U16(sheets);
    for (unsigned i = 0; i < sheets; ++i) {
        body.U16(0).U16(i).U16(i);
    }
    Record(biff::kExternSheet, body);
}

// The shared strings, split into CONTINUE records of at most 8224 bytes. A split inside a
// string repeats its flags byte, and 16-bit text is never split inside a character.
void TXLSWriter::WriteSST() {
    TBiffBuffer out;
    out.U16(biff::kSST).U16(0);
    size_t lengthAt = 2;
    size_t bodyStart = out.Size();
    out.U32(static_cast<uint32_t>(m_strings.size())).U32(static_cast<uint32_t>(m_strings.size()));
    for (const std::string& key : m_strings) {
        BiffText text;
        if (key[0] == '\0') {
            text = biffText(Utf8ToUtf16(std::string_view(key).substr(1)));
        } else {
            const size_t chars = (key.size() - 1) / 2;
            const auto count = static_cast<uint16_t>(std::min<size_t>(chars, 0xFFFF));
            text = {count, 0x01, key.substr(1, size_t{count} * 2)};
        }
        std::string entry;
        entry += static_cast<char>(text.count & 0xFF);
        entry += static_cast<char>(text.count >> 8);
        entry += static_cast<char>(text.flags);
        entry += text.bytes;
        size_t written = 0;
        while (written < entry.size()) {
            size_t room = kMaxRecordBody - (out.Size() - bodyStart);
            if (room < 4) {
                out.Patch16(lengthAt, static_cast<unsigned>(out.Size() - bodyStart));
                out.U16(biff::kContinue).U16(0);
                lengthAt = out.Size() - 2;
                bodyStart = out.Size();
                if (written > 0) {
                    out.U8(text.flags);
                }
                room = kMaxRecordBody - (out.Size() - bodyStart);
            }
            size_t n = std::min(room, entry.size() - written);
            if (text.flags == 0x01 && (written + n) % 2 == 0 && written + n < entry.size()) {
                --n;
            }
            out.Bytes(std::string_view(entry).substr(written, n));
            written += n;
        }
    }
    out.Patch16(lengthAt, static_cast<unsigned>(out.Size() - bodyStart));
    Put(out.Data(), out.Size());
}

} // namespace orvek::xls
