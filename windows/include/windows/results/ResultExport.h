#pragma once

#include "formats/ResultWorkbook.h"
#include "run/RunPipeline.h"

#include <string>
#include <vector>

class QWidget;

namespace orvek::ui {

// What the workbook commands read: the result files of the last successful run in the start
// folder, read with the copy of that run's values and the time step shown.
struct ResultExportSource {
    std::string startFolder;   // ends with a separator
    std::string workingFolder; // ends with a separator
    LastRun last;
    bool dailyOutput = true;
};

// The cells of the result workbook from "ResultDaily.~" or "ResultMonthly.~" and
// "SettingRecord.~". Raises OrvekError when a file cannot be read or a value is malformed.
std::vector<WorkbookCell> resultCells(const ResultExportSource& source, WorkbookStop stop);

// "Save numerical ouput as Excel file" once the right page is shown: asks for a name and
// saves the workbook under it; nothing is written when the dialog is cancelled. Raises
// OrvekError (or the workbook library's errors); no partial file is left.
void saveResultsAs(QWidget* parent, const ResultExportSource& source);

// "Open result in Excel": writes the workbook under the first free numbered name in the
// working folder and hands it to the desktop. When no program is set up to open it (or the
// desktop cannot open it), says where the workbook was saved; an identical workbook saved
// earlier is then kept instead of a new one. Returns the file left for the user. Raises as
// above.
std::string openResultsInSpreadsheet(QWidget* parent, const ResultExportSource& source);

} // namespace orvek::ui
