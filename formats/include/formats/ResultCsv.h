#pragma once

#include "basics/DateSerial.h"

#include <string>
#include <string_view>

namespace orvek {

// What a CSV export is made from: the text of "ResultDaily.~" or "ResultMonthly.~", the setting
// record, and how the last successful run reads them.
struct CsvRequest {
    bool daily = true;
    bool carbonOnly = true;
    DateSerial endDate = 0;
    bool settingComments = false; // the setting record as "# " lines before the header
};

// The result table as comma-separated text for R, Python and spreadsheets: one header row of
// plain column names, ISO 8601 dates, the numbers exactly as the result file writes them, LF
// line ends, no trailing separators. Rows stop after the one dated EndDate, or at the end of the
// file. A row that cannot be read raises OrvekError naming it.
std::string resultCsv(std::string_view result, std::string_view record, const CsvRequest& request);

// The header row without its line end.
std::string_view resultCsvHeader(bool daily, bool carbonOnly);

} // namespace orvek
