#pragma once

#include "basics/DateSerial.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// One cell of a result workbook's first sheet.
struct WorkbookCell {
    enum class Kind { String, Integer, Double, Date };
    int row = 0;
    int column = 0;
    Kind kind = Kind::String;
    std::string text;  // String
    double number = 0; // Integer, Double, Date (a day number shown with the date format)
};

// The same, seen without a copy of its text.
struct WorkbookCellView {
    int row = 0;
    int column = 0;
    WorkbookCell::Kind kind = WorkbookCell::Kind::String;
    std::string_view text;
    double number = 0;
};

// The rows an Excel 97-2003 worksheet holds, and those of an Office Open XML one.
inline constexpr size_t kWorksheetRows = 65536;
inline constexpr size_t kXlsxWorksheetRows = 1048576;

// Where the data rows of a result workbook end, besides the end of the file.
enum class WorkbookStop { AtEndDate, AtLastDAS };

// The cells of the workbook made from a result file and the setting record: rows 0 to 2 the
// title, units and empty lines, row 3 the column titles, from row 4 the data rows (date, count
// and values as they stand in the file), then an empty row and the setting record. A value that
// cannot be read raises OrvekError, and so does a result too long for a worksheet, as soon as
// that shows (kTooManyRowsMessage); an .xlsx sheet passes its own row count.
std::vector<WorkbookCell> resultWorkbookCells(std::string_view result, std::string_view record,
                                              bool carbonOnly, WorkbookStop stop,
                                              DateSerial endDate, int lastDAS,
                                              size_t worksheetRows = kWorksheetRows);

// The same cells handed to `put` one by one, in the same order, without a list of them all; a
// data row's cells go out only once the whole row has been read. Raises the same errors at the
// same points, so `put` has seen exactly the cells before the failing row.
void forEachResultWorkbookCell(std::string_view result, std::string_view record, bool carbonOnly,
                               WorkbookStop stop, DateSerial endDate, int lastDAS,
                               const std::function<void(const WorkbookCellView&)>& put,
                               size_t worksheetRows = kWorksheetRows);

// What a result that needs more rows than a worksheet holds is told.
inline constexpr const char* kTooManyRowsMessage =
    "The result has more rows than a worksheet holds (65,536); save the monthly output instead.";

// Whether a result workbook of so many data rows and setting record lines fits on a worksheet:
// four heading rows, the data, an empty row and the record.
bool resultWorkbookFits(size_t dataRows, size_t recordLines, size_t worksheetRows = kWorksheetRows);

// The width of column 0, in characters.
inline constexpr double kResultDateColumnWidth = 10;

// Builds the workbook from the cells and saves it, replacing an existing file only when the new
// one is complete. Raises OrvekError (or the workbook library's errors) on failure.
void saveResultWorkbook(const std::vector<WorkbookCell>& cells, const std::string& path);
// The same straight from the result file's text and the setting record's, as
// resultWorkbookCells reads them, with the same bytes: the cells go into the workbook as they
// are read, with no list of them in between. A value that cannot be read raises OrvekError
// before anything is written.
void saveResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                        WorkbookStop stop, DateSerial endDate, int lastDAS,
                        const std::string& path);
// The same under the first free name of nameFor(1), nameFor(2), ..., never replacing a file,
// also not one another program makes at the same moment; returns the name used.
std::string saveNewResultWorkbook(std::string_view result, std::string_view record, bool carbonOnly,
                                  WorkbookStop stop, DateSerial endDate, int lastDAS,
                                  const std::function<std::string(int)>& nameFor);

} // namespace orvek
