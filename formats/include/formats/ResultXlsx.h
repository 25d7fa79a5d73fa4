#pragma once

#include "formats/ResultWorkbook.h"

#include <string>
#include <vector>

namespace orvek {

// How the .xlsx library holds the sheet while writing: all of it in memory (faster), or one row
// at a time in temporary files (less memory for very long runs).
enum class XlsxMemory { Default, ConstantMemory };

// Saves the cells of a result workbook (resultWorkbookCells) as an Office Open XML workbook: the
// layout of the .xls export without its row limit, the heading rows frozen, the date cells shown
// as dates and the data columns wide enough for their values. The file is written beside the
// target under a temporary name and renamed into place; a read-only target is refused. Raises
// OrvekError with the reason on failure, leaving any existing file unchanged.
void saveResultXlsx(const std::vector<WorkbookCell>& cells, const std::string& path,
                    XlsxMemory memory = XlsxMemory::Default);

} // namespace orvek
