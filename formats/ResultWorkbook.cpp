#include "formats/ResultWorkbook.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "xls/CompoundFile.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

#include <cmath>

namespace orvek {

namespace {

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= line.size()) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            tab = line.size();
        }
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    return out;
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

bool resultWorkbookFits(size_t dataRows, size_t recordLines) {
    return 4 + dataRows + 1 + recordLines <= kWorksheetRows;
}

std::vector<WorkbookCell> resultWorkbookCells(std::string_view result, std::string_view record,
                                              bool carbonOnly, WorkbookStop stop,
                                              DateSerial endDate, int lastDAS) {
    using Kind = WorkbookCell::Kind;
    std::vector<WorkbookCell> cells;
    LineCursor lines(result);
    std::string_view line;
    for (int row = 0; row < 3; ++row) {
        const bool have = lines.next(line);
        cells.push_back({row, 0, Kind::String, have ? std::string(line) : std::string(), 0});
    }
    if (lines.next(line)) {
        std::vector<std::string_view> titles = fields(line);
        if (titles.size() > 1 && line.back() == '\t') {
            titles.pop_back(); // a TAB at the end starts no further title
        }
        int column = 0;
        for (std::string_view title : titles) {
            cells.push_back({3, column++, Kind::String, std::string(title), 0});
        }
    }
    const size_t values = carbonOnly ? 3 : 8;
    size_t recordLineCount = 0;
    for (LineCursor counter(record); counter.next(line);) {
        ++recordLineCount;
    }
    int row = 4;
    while (lines.next(line)) {
        const std::vector<std::string_view> f = fields(line);
        if (f.size() < 2 + values) {
            if (trimBlanks(line).empty()) {
                break; // the end of the data
            }
            throw OrvekError("The result file's data row " + std::to_string(row - 3) +
                             " is incomplete.");
        }
        if (!resultWorkbookFits(static_cast<size_t>(row - 4) + 1, recordLineCount)) {
            throw OrvekError(kTooManyRowsMessage);
        }
        const double date = numberField(f[0], row);
        const double count = numberField(f[1], row);
        if (count != std::trunc(count) || std::fabs(count) > 2147483647.0) {
            throw OrvekError("The result file's data row " + std::to_string(row - 3) + ": '" +
                             quotedText(f[1]) + "' is not a valid integer value");
        }
        cells.push_back({row, 0, Kind::Date, std::string(), date});
        cells.push_back({row, 1, Kind::Integer, std::string(), count});
        for (size_t k = 0; k < values; ++k) {
            cells.push_back({row, static_cast<int>(2 + k), Kind::Double, std::string(),
                             numberField(f[2 + k], row)});
        }
        ++row;
        if (stop == WorkbookStop::AtEndDate ? date == endDate : count == lastDAS) {
            break;
        }
    }
    cells.push_back({row, 0, Kind::String, std::string(), 0});
    LineCursor recordLines(record);
    while (recordLines.next(line)) {
        cells.push_back({++row, 0, Kind::String, std::string(line), 0});
    }
    return cells;
}

void saveResultWorkbook(const std::vector<WorkbookCell>& cells, const std::string& path) {
    constexpr int kDateFormat = 13; // "mm/dd/yy", so that the day numbers show as dates
    xls::TXLSFile workbook;
    xls::TSheet& sheet = workbook.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
    for (const WorkbookCell& c : cells) {
        xls::TCell& cell = sheet.Cells().Cell(c.row, c.column);
        switch (c.kind) {
        case WorkbookCell::Kind::String:
            cell.SetValue(xls::Variant(c.text));
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
    // The workbook is built in memory and saved by the program's own writer, so a workbook
    // follows the rules of every other file the user keeps (read-only files kept, leftovers of
    // killed saves removed) and a failure names the file and the system's reason.
    std::vector<uint8_t> bytes;
    try {
        bytes = workbook.SaveToBuffer();
    } catch (const std::exception& e) {
        throw OrvekError(std::string(e.what()) + " (saving \"" + path + "\")");
    }
    const std::string cannotCreate = xls::ECFileError::Message(0); // the library's own texts
    const std::string cannotWrite = xls::ECFileError::Message(8);
    const SaveTexts texts{cannotCreate.c_str(), cannotWrite.c_str()};
    if (xls::IsLockedBySpreadsheet(path)) {
        throw OrvekError(std::string(texts.cannotCreate) + " \"" + path +
                         "\". The file is open in a spreadsheet application.");
    }
    writeFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), texts);
}

} // namespace orvek
