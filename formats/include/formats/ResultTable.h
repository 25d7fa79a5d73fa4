#pragma once

#include "basics/DateSerial.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// The value columns of a result row after Date and the count, in file order. Carbon-only files
// hold the first three.
enum ResultColumn {
    kSomC = 0,
    kResC = 1,
    kTotalC = 2,
    kNetNm = 3,
    kTotalNm = 4,
    kTotalN = 5,
    kResCN = 6,
    kSomCN = 7,
    kResultColumnCount = 8
};

// How the file is to be read: which file it is and what the last successful run was.
struct ResultTableRequest {
    bool daily = true;
    bool carbonOnly = true;
    DateSerial startDate = 0;
    DateSerial endDate = 0;
};

// The rows of "ResultDaily.~" or "ResultMonthly.~" as the graph draws them. Reading stops after
// the row whose date (StartDate + DAS - 1 for days, the Date column for months) is EndDate,
// or at the end of the file. When a row cannot be read, the rows before it are kept and error
// holds the message; a missing file gives no rows and its message.
struct ResultTable {
    std::vector<double> count; // DAS or MAS
    std::vector<double> date;  // the row's date as a day number (DateSerial)
    std::array<std::vector<double>, kResultColumnCount> values;
    int valueColumns = 3; // 3 in carbon-only mode, 8 in C & N mode
    std::string error;

    size_t rows() const { return count.size(); }
};

// Parses the text of a result file; name is used in messages.
ResultTable parseResultTable(std::string_view content, const std::string& name,
                             const ResultTableRequest& request);

// Reads and parses a result file; a file that cannot be read is reported in error.
ResultTable readResultTable(const std::string& path, const ResultTableRequest& request);

} // namespace orvek
