#pragma once

#include <string>

namespace orvek {

struct RunState;

// Copies the data rows of the events workbook's first sheet into "InputEvents.~" (the run's
// events path). A workbook that cannot be loaded or a row without its C:N in C & N mode sets the
// run's error; a text cell that is not a number raises OrvekError.
void convertEventsWorkbook(RunState& run, const std::string& eventsFile, char decimalSeparator);

} // namespace orvek
