#pragma once

#include "basics/DateSerial.h"

#include <array>
#include <string>
#include <string_view>

namespace orvek {

struct RunState;

inline constexpr const char* kResultDailyFileName = "ResultDaily.~";
inline constexpr const char* kResultMonthlyFileName = "ResultMonthly.~";
inline constexpr const char* kResultDailyMemoFileName = "ResultDailyForMemo.~";
inline constexpr const char* kResultMonthlyMemoFileName = "ResultMonthlyForMemo.~";
inline constexpr const char* kSettingRecordFileName = "SettingRecord.~";

// The four header lines of a result file (title, units, empty line, column titles), CR LF ended.
std::string resultFileHeader(bool daily, bool carbonOnly);

// The values of a daily row after its date and DAS, unrounded, in the file's column order and
// units: SOM-C, res-C and ttl-C in Mg/ha, then in C & N mode net-Nm, ttl-Nm, ttl-N in kg/ha,
// res-C:N and SOM-C:N. A C only row uses the first kDailyCarbonValues.
inline constexpr int kDailyValues = 8;
inline constexpr int kDailyCarbonValues = 3;
std::array<double, kDailyValues> dailyRowValues(const RunState& run);

// The day of the month whose daily rows the monthly result keeps.
int monthlyRowDay(DateSerial startDate);

// One data row of "ResultDaily.~" with the run's current values; every value is followed by a
// TAB. Raises OrvekError rather than write a value that is not a finite number.
void appendDailyRow(std::string& out, int das, DateSerial date, const RunState& run);

// The monthly result file from the daily one: the rows whose day of the month is the start
// date's (the 1st when the start is after the 28th), numbered by MAS from 0, up to LastDAS.
std::string monthlyFromDaily(std::string_view daily, DateSerial startDate, int lastDAS,
                             bool carbonOnly);

// A memo variant: the header copied, each row's date written as m/d/yy, up to EndDate.
std::string memoFromResult(std::string_view result, DateSerial endDate);

// m/d/yy with the year modulo 100 in two digits (1/1/05).
std::string memoDate(DateSerial date);

// The daily memo, the monthly file and its memo put together row by row as a run writes its
// daily rows, with the bytes memoFromResult and monthlyFromDaily give from the whole daily file,
// without reading it back.
class DerivedResultRows {
public:
    DerivedResultRows(DateSerial startDate, bool carbonOnly, size_t days);
    // The daily row just written for the date, as appendDailyRow wrote it.
    void add(DateSerial date, std::string_view dailyRow);

    std::string dailyMemo;
    std::string monthly;
    std::string monthlyMemo;

private:
    int m_day;
    long m_mas = -1;
};

} // namespace orvek
