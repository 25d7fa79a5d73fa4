// The shared-string table and the defined names of a workbook being read.

#include "xls/BiffRecords.h"
#include "xls/Unicode.h"
#include "xls/XLSErrors.h"
#include "xls/XLSReader.h"

#include <algorithm>

namespace orvek::xls {

bool TXLSReader::NextContinue() {
    if (!ReadRecord()) {
        return false;
    }
    return m_record.Type == biff::kContinue;
}

// Skips bytes that may run on into further CONTINUE records (rich-text runs, phonetic data),
// which carry no flags byte of their own.
bool TXLSReader::SkipAcross(size_t count) {
    while (count > 0) {
        TEasyStream& b = m_record.Body;
        if (b.Remaining() == 0) {
            if (!NextContinue()) {
                return false;
            }
            continue;
        }
        const size_t n = std::min(count, b.Remaining());
        b.Skip(n);
        count -= n;
    }
    return true;
}

void TXLSReader::ReadSST() {
    TEasyStream* b = &m_record.Body;
    b->Skip(8); // the two counts are not needed
    while (true) {
        if (b->Remaining() < 2 && !NextContinue()) {
            return;
        }
        const uint16_t count = b->ReadWord();
        if (b->Remaining() < 1 && !NextContinue()) {
            return;
        }
        const uint8_t flags = b->ReadByte();
        const size_t runs = (flags & 0x08) ? b->ReadWord() : 0;
        const size_t phonetic = (flags & 0x04) ? b->ReadDWord() : 0;
        bool wideChunk = flags & 0x01;
        bool wide = false;
        std::string narrow;
        std::u16string text;
        size_t needed = count;
        while (needed > 0) {
            if (b->Remaining() == 0) {
                if (!NextContinue()) {
                    return;
                }
                wideChunk = b->ReadByte() & 0x01;
            }
            if (wideChunk) {
                const size_t n = std::min(b->Remaining() / 2, needed);
                if (n == 0) {
                    b->Skip(b->Remaining()); // a stray odd byte: no character fits
                    continue;
                }
                if (!wide) {
                    text = Latin1ToUtf16(narrow);
                    wide = true;
                }
                text += BytesToUtf16(b->Current(), n);
                b->Skip(2 * n);
                needed -= n;
            } else {
                const size_t n = std::min(b->Remaining(), needed);
                const std::string bytes = b->ReadBytes(n);
                if (wide) {
                    text += Latin1ToUtf16(bytes);
                } else {
                    narrow += bytes;
                }
                needed -= n;
            }
        }
        if (!SkipAcross(runs * 4 + phonetic)) {
            return;
        }
        if (wide) {
            m_sst.emplace_back(std::move(text));
        } else {
            m_sst.emplace_back(Latin1ToUtf8(narrow));
        }
    }
}

namespace {

struct Area {
    uint16_t sheet;
    TRangeRect rect;
};

// The 3-D references of a name's formula: areas (and single cells) joined by list operators,
// optionally wrapped in a memory-function token.
std::vector<Area> formulaAreas(TEasyStream formula) {
    std::vector<Area> areas;
    if (formula.Remaining() >= 3 && *formula.Current() == 0x29) {
        formula.Skip(3);
    }
    while (formula.Remaining() > 0) {
        const uint8_t token = formula.ReadByte();
        if (token == 0x3B || token == 0x5B || token == 0x7B) {
            if (formula.Remaining() < 10) {
                break;
            }
            const uint16_t sheet = formula.ReadWord();
            const uint16_t firstRow = formula.ReadWord();
            const uint16_t lastRow = formula.ReadWord();
            const auto firstCol = static_cast<uint8_t>(formula.ReadWord());
            const auto lastCol = static_cast<uint8_t>(formula.ReadWord());
            areas.push_back({sheet, {firstRow, lastRow, firstCol, lastCol}});
        } else if (token == 0x3A || token == 0x5A || token == 0x7A) {
            if (formula.Remaining() < 6) {
                break;
            }
            const uint16_t sheet = formula.ReadWord();
            const uint16_t row = formula.ReadWord();
            const auto col = static_cast<uint8_t>(formula.ReadWord());
            areas.push_back({sheet, {row, row, col, col}});
        } else if (token != 0x10) { // anything but the list operator ends the walk
            break;
        }
    }
    return areas;
}

} // namespace

void TXLSReader::ReadNames() {
    for (const std::string& name : m_names) {
        TEasyStream b(reinterpret_cast<const uint8_t*>(name.data()), name.size());
        if (b.Remaining() < 15) {
            continue;
        }
        const uint16_t options = b.ReadWord();
        if (options != 0 && options != 0x0020) {
            continue;
        }
        b.Skip(1);
        const uint8_t length = b.ReadByte();
        const uint16_t formulaLength = b.ReadWord();
        b.Skip(8);
        const uint8_t flags = b.ReadByte();
        std::u16string text;
        if (flags & 1) {
            const std::string bytes = b.ReadBytes(size_t{length} * 2);
            text = BytesToUtf16(reinterpret_cast<const uint8_t*>(bytes.data()), length);
        } else {
            text = Latin1ToUtf16(b.ReadBytes(length));
        }
        const size_t available = std::min<size_t>(formulaLength, b.Remaining());
        const std::vector<Area> areas = formulaAreas(TEasyStream(b.Current(), available));
        if (areas.empty() || areas[0].sheet >= m_workbook.Sheets().Count()) {
            continue;
        }
        TSheet& sheet = m_workbook.Sheets().Items(areas[0].sheet);
        if (options == 0) {
            const std::string rangeName = Utf16ToUtf8(text);
            if (rangeName.find(' ') != std::string::npos) {
                throw EXLSError(EXLSError::InvalidRangeName, rangeName);
            }
            TRange& range = sheet.Ranges().Add();
            range.SetName(rangeName);
            for (const auto& area : areas) {
                if (area.sheet == areas[0].sheet) {
                    range.Add(area.rect);
                }
            }
        } else if (text == u"\x06") {
            sheet.PageSetup().PrintArea.Clear();
            for (const auto& area : areas) {
                if (area.sheet == areas[0].sheet) {
                    sheet.PageSetup().PrintArea.Add(area.rect);
                }
            }
        }
    }
}

} // namespace orvek::xls
