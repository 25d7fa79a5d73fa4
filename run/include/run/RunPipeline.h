#pragma once

#include "basics/DateSerial.h"
#include "formats/ResultFiles.h"
#include "formats/SettingRecord.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvek {

struct PageState;
struct RunState;
class DailyRowWriter;
class WeatherFile;

// The unrounded values the daily result file is written from, one entry per simulated day,
// for callers that compute with the results rather than read the files.
struct DailySeries {
    std::vector<DateSerial> dates;
    std::vector<int> das;
    std::array<std::vector<double>, kDailyValues> values; // in the order of dailyRowValues
    // The entries the monthly result file keeps, in its order (MAS is the position).
    std::vector<size_t> monthlyEntries;
};

// The contents of the five result files of a run.
struct ResultTexts {
    std::string daily;
    std::string monthly;
    std::string dailyMemo;
    std::string monthlyMemo;
    std::string settingRecord;
};

// What a run needs besides the input page: the program-wide folder and the user's formats.
struct RunEnvironment {
    std::string startFolder;     // ends with a separator; the parameter file is read here
    std::string outputFolder;    // working and result files; empty: the start folder
    char decimalSeparator = '.'; // of the numbers typed on the page
    RecordFormats formats;
    std::function<void(int)> progress; // position 0..999, advanced once per simulated day
    // Set from another thread to end the run early: looked at after every simulated day and
    // once more just before the result files are written, so a stopped run writes none.
    const std::atomic<bool>* stop = nullptr;

    // For many runs of the same inputs: the page's weather as daily data (a monthly file
    // already expanded) and the parameters, each read once for all of them.
    std::shared_ptr<const WeatherFile> weather;
    std::optional<std::array<double, 27>> parameters; // a ParameterSet
    DailyRowWriter* observer = nullptr; // sees every simulated day as the daily file does
    bool writeResults = true;           // false: no file is written
    ResultTexts* texts = nullptr;       // receives the result files' contents when set
    DailySeries* series = nullptr;      // receives the unrounded daily values when set

    const std::string& filesFolder() const {
        return outputFolder.empty() ? startFolder : outputFolder;
    }
};

// What the presentation reads the result files with, taken at the end of a successful run.
struct LastRun {
    bool carbonOnly = true;
    DateSerial startDate = 0;
    DateSerial endDate = 0;
    int lastDAS = 0;
};

struct RunOutcome {
    bool ok = false;
    bool stopped = false; // ended on request before any result file was written
    std::string message;  // the failed check's message
    int beeps = 0;        // error beeps before the message: the check's own and the run's
    LastRun last;
    std::uint64_t cohortSteps = 0;
    double simulationSeconds = 0;
    double writingSeconds = 0;
};

// The checks of the run, in their order; the first failure sets the run's error.
void checkRunSettings(RunState& run, const PageState& page, const RunEnvironment& env);
// Mode, dates, soil state and the EventTable from the page or the events workbook.
void gatherRunSettings(RunState& run, const PageState& page, const RunEnvironment& env);

// One run from the page's settings to the five result files in StartFolder. A failed check is
// returned in the outcome and changes no result file; file, conversion and date errors raise
// OrvekError and leave the previous result files in place as well.
RunOutcome performRun(const PageState& page, const RunEnvironment& env);

// The rest of a run whose settings have passed the checks and been gathered: reads the
// parameters, simulates and writes the result files.
RunOutcome completeRun(RunState& run, const PageState& page, const RunEnvironment& env);

// Writes the five result files into a folder (ending with a separator) together, so that a
// failure leaves the previous ones in place; raises OrvekError.
void writeResultFiles(const ResultTexts& texts, const std::string& folder);

} // namespace orvek
