#include "formats/ResultWorkbook.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "xls/CompoundFile.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"
#include "xls/XLSWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

namespace orvek {

namespace {

void fields(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    size_t start = 0;
    while (start <= line.size()) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            tab = line.size();
        }
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

double numberField(std::string_view text, int row) {
    double v = 0;
    if (!parseDouble(text, '.', v)) {
        throw OrvekError("The result file's data row " + std::to_string(row - 3) + ": " +
                         invalidFloatMessage(std::string(text)));
    }
    return v;
}

} // namespace

bool resultWorkbookFits(size_t dataRows, size_t recordLines, size_t worksheetRows) {
    return 4 + dataRows + 1 + recordLines <= worksheetRows;
}

void forEachResultWorkbookCell(std::string_view result, std::string_view record, bool carbonOnly,
                               WorkbookStop stop, DateSerial endDate, int lastDAS,
                               const std::function<void(const WorkbookCellView&)>& put,
                               size_t worksheetRows) {
    using Kind = WorkbookCell::Kind;
    LineCursor lines(result);
    std::string_view line;
    for (int row = 0; row < 3; ++row) {
        const bool have = lines.next(line);
        put({row, 0, Kind::String, have ? line : std::string_view(), 0});
    }
    std::vector<std::string_view> f;
    if (lines.next(line)) {
        fields(line, f);
        if (f.size() > 1 && line.back() == '\t') {
            f.pop_back(); // a TAB at the end starts no further title
        }
        int column = 0;
        for (std::string_view title : f) {
            put({3, column++, Kind::String, title, 0});
        }
    }
    const size_t values = carbonOnly ? 3 : 8;
    size_t recordLineCount = 0;
    for (LineCursor counter(record); counter.next(line);) {
        ++recordLineCount;
    }
    int row = 4;
    while (lines.next(line)) {
        fields(line, f);
        if (f.size() < 2 + values) {
            if (trimBlanks(line).empty()) {
                break; // the end of the data
            }
            throw OrvekError("The result file's data row " + std::to_string(row - 3) +
                             " is incomplete.");
        }
        if (!resultWorkbookFits(static_cast<size_t>(row - 4) + 1, recordLineCount, worksheetRows)) {
            throw OrvekError(kTooManyRowsMessage);
        }
        const double date = numberField(f[0], row);
        const double count = numberField(f[1], row);
        if (count != std::trunc(count) || std::fabs(count) > 2147483647.0) {
            throw OrvekError("The result file's data row " + std::to_string(row - 3) + ": '" +
                             quotedText(f[1]) + "' is not a valid integer value");
        }
        // A row's values are all read before any of its cells is handed on.
        double numbers[8];
        for (size_t k = 0; k < values; ++k) {
            numbers[k] = numberField(f[2 + k], row);
        }
        put({row, 0, Kind::Date, {}, date});
        put({row, 1, Kind::Integer, {}, count});
        for (size_t k = 0; k < values; ++k) {
            put({row, static_cast<int>(2 + k), Kind::Double, {}, numbers[k]});
        }
        ++row;
        if (stop == WorkbookStop::AtEndDate ? date == endDate : count == lastDAS) {
            break;
        }
    }
    put({row, 0, Kind::String, {}, 0});
    LineCursor recordLines(record);
    while (recordLines.next(line)) {
        put({++row, 0, Kind::String, line, 0});
    }
}

std::vector<WorkbookCell> resultWorkbookCells(std::string_view result, std::string_view record,
                                              bool carbonOnly, WorkbookStop stop,
                                              DateSerial endDate, int lastDAS,
                                              size_t worksheetRows) {
    std::vector<WorkbookCell> cells;
    forEachResultWorkbookCell(
        result, record, carbonOnly, stop, endDate, lastDAS,
        [&](const WorkbookCellView& c) {
            cells.push_back({c.row, c.column, c.kind, std::string(c.text), c.number});
        },
        worksheetRows);
    return cells;
}

namespace {

constexpr int kDateFormat = 13; // "mm/dd/yy", so that the day numbers show as dates

void putCell(xls::TCells& cells, const WorkbookCellView& c) {
    xls::TCell& cell = cells.Cell(c.row, c.column);
    switch (c.kind) {
    case WorkbookCell::Kind::String:
        cell.SetValue(xls::Variant(std::string(c.text)));
        break;
    case WorkbookCell::Kind::Integer:
        cell.SetValue(xls::Variant(static_cast<int32_t>(c.number)));
        break;
    case WorkbookCell::Kind::Double:
        cell.SetValue(xls::Variant(c.number));
        break;
    case WorkbookCell::Kind::Date:
        cell.SetValue(xls::Variant(c.number));
        cell.SetNumberFormatIndex(kDateFormat);
        break;
    }
}

// Puts the cell into a workbook whose cells are encoded as they come, as putCell would set it.
void streamCell(xls::TXLSCellStream& stream, const WorkbookCellView& c) {
    switch (c.kind) {
    case WorkbookCell::Kind::String:
        stream.Put(c.row, c.column, xls::Variant(std::string(c.text)));
        break;
    case WorkbookCell::Kind::Integer:
        stream.Put(c.row, c.column, xls::Variant(static_cast<int32_t>(c.number)));
        break;
    case WorkbookCell::Kind::Double:
        stream.PutNumber(c.row, c.column, c.number);
        break;
    case WorkbookCell::Kind::Date:
        stream.PutNumber(c.row, c.column, c.number, kDateFormat);
        break;
    }
}

// At most so many cells come from the result and the record: every line a row of them.
size_t cellsAtMost(std::string_view result, std::string_view record, bool carbonOnly) {
    const size_t lines = static_cast<size_t>(std::count(result.begin(), result.end(), '\n')) +
                         static_cast<size_t>(std::count(record.begin(), record.end(), '\n')) + 8;
    return lines * (carbonOnly ? 5 : 10);
}

// Writes the workbook straight into the file being saved, so that its bytes are never held in
// memory whole. The save follows the rules of every other file the user keeps (read-only files
// kept, leftovers of killed saves removed), and a failure names the file the user knows and
// the system's reason.
template <class Save> int writeInto(int fd, const std::string& shownPath, Save save) {
    try {
        save(fd);
    } catch (const xls::ECFileError& e) {
        if (e.ErrorCode() == xls::ECFileError::CannotWrite) {
            return e.SystemError() != 0 ? e.SystemError() : EIO;
        }
        throw OrvekError(std::string(e.what()) + " (saving \"" + shownPath + "\")");
    } catch (const std::exception& e) {
        throw OrvekError(std::string(e.what()) + " (saving \"" + shownPath + "\")");
    }
    return 0;
}

SaveTexts libraryTexts(std::string& cannotCreate, std::string& cannotWrite) {
    cannotCreate = xls::ECFileError::Message(0); // the library's own texts
    cannotWrite = xls::ECFileError::Message(8);
    return SaveTexts{cannotCreate.c_str(), cannotWrite.c_str()};
}

template <class Save> void saveInto(const std::string& path, Save save) {
    std::string cannotCreate;
    std::string cannotWrite;
    const SaveTexts texts = libraryTexts(cannotCreate, cannotWrite);
    if (xls::IsLockedBySpreadsheet(path)) {
        throw OrvekError(std::string(texts.cannotCreate) + " \"" + path +
                         "\". The file is open in a spreadsheet application.");
    }
    writeFileAtomically(
        path, [&](int fd) { return writeInto(fd, path, save); }, texts);
}

} // namespace

void saveResultWorkbook(const std::vector<WorkbookCell>& cells, const std::string& path) {
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    for (const WorkbookCell& c : cells) {
        putCell(sheet.Cells(), {c.row, c.column, c.kind, c.text, c.number});
    }
    saveInto(path, [&](int fd) { workbook.SaveToDescriptor(fd); });
}

namespace {

// The result's cells come in row order, each once, so they are encoded as they are read rather
// than kept as cells (the file is the same); save writes the encoded workbook out.
void streamResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                          WorkbookStop stop, DateSerial endDate, int lastDAS,
                          const std::function<void(xls::TXLSCellStream&)>& save) {
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    xls::TXLSCellStream stream(workbook.Workbook(), cellsAtMost(result, record, carbonOnly));
    forEachResultWorkbookCell(result, record, carbonOnly, stop, endDate, lastDAS,
                              [&](const WorkbookCellView& c) { streamCell(stream, c); });
    save(stream);
}

} // namespace

void saveResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                        WorkbookStop stop, DateSerial endDate, int lastDAS,
                        const std::string& path) {
    streamResultWorkbook(result, record, carbonOnly, stop, endDate, lastDAS,
                         [&](xls::TXLSCellStream& stream) {
                             saveInto(path, [&](int fd) { stream.SaveToDescriptor(fd); });
                         });
}

std::string saveNewResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                                  WorkbookStop stop, DateSerial endDate, int lastDAS,
                                  const std::function<std::string(int)>& nameFor) {
    std::string temp;
    streamResultWorkbook(
        result, record, carbonOnly, stop, endDate, lastDAS, [&](xls::TXLSCellStream& stream) {
            // A failure names the file the user would have got.
            std::string shown = nameFor(1);
            std::error_code unreadable;
            for (int n = 2;
                 std::filesystem::exists(std::filesystem::symlink_status(shown, unreadable)); ++n) {
                shown = nameFor(n);
            }
            std::string cannotCreate;
            std::string cannotWrite;
            const SaveTexts texts = libraryTexts(cannotCreate, cannotWrite);
            temp = temporaryNameFor(shown);
            writeNewFile(
                temp,
                [&](int fd) {
                    return writeInto(fd, shown, [&](int f) { stream.SaveToDescriptor(f); });
                },
                shown, texts);
        });
    return publishUnderFirstFreeName(temp, nameFor);
}

} // namespace orvek
