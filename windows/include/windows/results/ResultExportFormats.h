#pragma once

#include "windows/results/ResultExport.h"

class QWidget;

namespace orvek::ui {

// "Save result as CSV...": asks for a name in the working folder and saves the result table of
// the time step shown as CSV. Nothing is written when the dialog is cancelled. Raises
// OrvekError; an existing file is replaced only by a complete one.
void saveResultsAsCsv(QWidget* parent, const ResultExportSource& source);

// "Save result as .xlsx...": the same for the result workbook in the .xlsx format.
void saveResultsAsXlsx(QWidget* parent, const ResultExportSource& source);

} // namespace orvek::ui
