#pragma once

#include "basics/DateSerial.h"

#include <functional>
#include <string>

namespace orvek {

struct PageState;
struct RunState;

// How the user's settings write dates, times and numbers in the setting record.
struct RecordFormats {
    std::function<std::string(DateSerial)> shortDate;
    char decimalSeparator = '.';
    std::string runDate; // today in the short date format
    std::string runTime; // now in the long time format
};

// The plain-language record of a run's inputs, "SettingRecord.~", CR LF ended.
std::string settingRecord(const PageState& page, const RunState& run, const RecordFormats& formats);

} // namespace orvek
