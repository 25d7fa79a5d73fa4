#include "formats/ResultWorkbook.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "xls/CompoundFile.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

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

// The bytes of a built workbook; a failure names the file the user knows.
std::vector<uint8_t> builtBytes(xls::TXLSFile& workbook, const std::string& shownPath) {
    try {
        return workbook.SaveToBuffer();
    } catch (const std::exception& e) {
        throw OrvekError(std::string(e.what()) + " (saving \"" + shownPath + "\")");
    }
}

std::string_view asText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Saves a built workbook, replacing an existing file only when the new one is complete.
void saveBuilt(xls::TXLSFile& workbook, const std::string& path) {
    // The workbook is built in memory and saved by the program's own writer, so a workbook
    // follows the rules of every other file the user keeps (read-only files kept, leftovers of
    // killed saves removed) and a failure names the file and the system's reason.
    const std::vector<uint8_t> bytes = builtBytes(workbook, path);
    const std::string cannotCreate = xls::ECFileError::Message(0); // the library's own texts
    const std::string cannotWrite = xls::ECFileError::Message(8);
    const SaveTexts texts{cannotCreate.c_str(), cannotWrite.c_str()};
    if (xls::IsLockedBySpreadsheet(path)) {
        throw OrvekError(std::string(texts.cannotCreate) + " \"" + path +
                         "\". The file is open in a spreadsheet application.");
    }
    writeFileAtomically(path, asText(bytes), texts);
}

} // namespace

void saveResultWorkbook(const std::vector<WorkbookCell>& cells, const std::string& path) {
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    for (const WorkbookCell& c : cells) {
        putCell(sheet.Cells(), {c.row, c.column, c.kind, c.text, c.number});
    }
    saveBuilt(workbook, path);
}

void saveResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                        WorkbookStop stop, DateSerial endDate, int lastDAS,
                        const std::string& path) {
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    forEachResultWorkbookCell(result, record, carbonOnly, stop, endDate, lastDAS,
                              [&](const WorkbookCellView& c) { putCell(sheet.Cells(), c); });
    saveBuilt(workbook, path);
}

std::string saveNewResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                                  WorkbookStop stop, DateSerial endDate, int lastDAS,
                                  const std::function<std::string(int)>& nameFor) {
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    forEachResultWorkbookCell(result, record, carbonOnly, stop, endDate, lastDAS,
                              [&](const WorkbookCellView& c) { putCell(sheet.Cells(), c); });
    // A failure names the file the user would have got.
    std::string shown = nameFor(1);
    std::error_code unreadable;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(shown, unreadable));
         ++n) {
        shown = nameFor(n);
    }
    const std::vector<uint8_t> bytes = builtBytes(workbook, shown);
    const std::string cannotCreate = xls::ECFileError::Message(0);
    const std::string cannotWrite = xls::ECFileError::Message(8);
    const std::string temp = temporaryNameFor(shown);
    writeNewFile(temp, asText(bytes), shown, SaveTexts{cannotCreate.c_str(), cannotWrite.c_str()});
    return publishUnderFirstFreeName(temp, nameFor);
}

} // namespace orvek
