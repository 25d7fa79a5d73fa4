#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace orvek {

struct RunState;

// A cell of the events workbook as the conversion sees it.
struct EventCell {
    enum class Kind { Empty, Number, Text, Other };
    Kind kind = Kind::Empty;
    double number = 0;
    std::string text;
};

// The cell at a 0-based row and column of the workbook's first sheet.
using EventCellLookup = std::function<EventCell(int row, int column)>;

inline constexpr int kFirstEventRow = 14; // the 15th row of the sheet
inline constexpr int kLastEventRow = 514;
inline constexpr size_t kEventsWorkbookLimit = size_t{64} << 20;
inline constexpr const char* kWorkbookOpenMessage =
    "The input events file is probably still open in Excel. Close the file and try again.";

// Copies the data rows into the text of "InputEvents.~", from row 15 to the first row whose five
// whole numbers or C amount is 0 or empty. A row without its C:N in C & N mode sets the run's
// error; a text that is not a number raises OrvekError. Numbers in integer columns are rounded
// to the nearest whole number, a half to the even one.
std::string convertEventRows(const EventCellLookup& cell, RunState& run, char decimalSeparator);

// Loads the events workbook and writes "InputEvents.~" (the run's events path). A workbook that
// cannot be loaded sets the run's error with kWorkbookOpenMessage, one larger than
// kEventsWorkbookLimit with a message saying so.
void convertEventsWorkbook(RunState& run, const std::string& eventsFile, char decimalSeparator);

} // namespace orvek
