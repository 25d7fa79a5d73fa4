#pragma once

#include "basics/DateSerial.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

struct RunState;

inline constexpr int kMaxEvents = 500;
inline constexpr int kSubstrateTypes = 6;

// The names the setting record gives the substrate type codes 1..6.
inline constexpr const char* kSubstrateTypeNames[kSubstrateTypes] = {
    "Cereal crop residues (1)", "Cereal crop roots (2)", "Legume residues (3)",
    "Legume roots (4)",         "Green manures (5)",     "Animal manures (6)"};

// One substrate input event; event number j is at index j - 1 of the table.
struct SubstrateEvent {
    int type = 0;       // SubstrateType 1..6
    double cAmount = 0; // kg C/ha
    double cn = 0;      // C:N ratio, C & N mode only
    DateSerial date = 0;
};

inline constexpr const char* kInputEventsFileName = "InputEvents.~";
inline constexpr const char* kInputIncorrectMessage =
    "Input incorrect. Check the input events file and try again";

// The heading line of "InputEvents.~" (with its CR LF).
std::string inputEventsHeading();
// One line of "InputEvents.~": five integers, the C amount in Mg/ha with 3 decimals and, in
// C & N mode, the C:N with 1 decimal.
void appendInputEventLine(std::string& out, int event, int month, int day, int year, int code,
                          double cMg, double cn, bool withCn);

// Reads the events back from the text of "InputEvents.~" into the run's table, with the checks
// of their numbering, values, dates and order; a failure sets the run's error.
void readInputEvents(std::string_view content, RunState& run);

} // namespace orvek
