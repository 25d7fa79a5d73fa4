#pragma once

#include "formats/ResultXlsx.h"
#include "run/RunPipeline.h"

#include <string>

namespace orvek {

// The result files of the last successful run: where they are, that run's copy of its values
// and the time step to export.
struct ResultExportFiles {
    std::string startFolder; // ends with a separator
    LastRun last;
    bool daily = true;
};

// Saves the result table as CSV (see resultCsv), replacing the target only when the new file
// is complete. Both files are read before anything is written. Raises OrvekError.
void saveResultsCsv(const ResultExportFiles& files, const std::string& path, bool settingComments);

// Saves the result workbook as .xlsx (see saveResultXlsx), with the rows "Save numerical ouput
// as Excel file" takes. Raises OrvekError.
void saveResultsXlsx(const ResultExportFiles& files, const std::string& path,
                     XlsxMemory memory = XlsxMemory::Default);

} // namespace orvek
