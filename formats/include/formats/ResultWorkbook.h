#pragma once

#include "basics/DateSerial.h"

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

// Where the data rows of a result workbook end, besides the end of the file.
enum class WorkbookStop { AtEndDate, AtLastDAS };

// The cells of the workbook made from a result file and the setting record: rows 0 to 2 the
// title, units and empty lines, row 3 the column titles, from row 4 the data rows (date, count
// and values as they stand in the file), then an empty row and the setting record. A value that
// cannot be read raises OrvekError, and so does a result too long for a worksheet, as soon as
// that shows (kTooManyRowsMessage).
std::vector<WorkbookCell> resultWorkbookCells(std::string_view result, std::string_view record,
                                              bool carbonOnly, WorkbookStop stop,
                                              DateSerial endDate, int lastDAS);

// The rows a worksheet holds, and what a result that needs more is told.
inline constexpr size_t kWorksheetRows = 65536;
inline constexpr const char* kTooManyRowsMessage =
    "The result has more rows than a worksheet holds (65,536); save the monthly output instead.";

// Whether a result workbook of so many data rows and setting record lines fits on a worksheet:
// four heading rows, the data, an empty row and the record.
bool resultWorkbookFits(size_t dataRows, size_t recordLines);

// The width of column 0, in characters.
inline constexpr double kResultDateColumnWidth = 10;

// Builds the workbook from the cells and saves it, replacing an existing file only when the new
// one is complete. Raises OrvekError (or the workbook library's errors) on failure.
void saveResultWorkbook(const std::vector<WorkbookCell>& cells, const std::string& path);

} // namespace orvek
