#pragma once

#include "basics/DateSerial.h"
#include "formats/SettingRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orvek {

struct PageState;
struct RunState;
class DailyRowWriter;
class WeatherFile;

// What a run needs besides the input page: the program-wide folder and the user's formats.
struct RunEnvironment {
    std::string startFolder;     // ends with a separator; the parameter file is read here
    std::string outputFolder;    // working and result files; empty: the start folder
    char decimalSeparator = '.'; // of the numbers typed on the page
    RecordFormats formats;
    std::function<void(int)> progress; // position 0..999, advanced once per simulated day

    // For many runs of the same inputs: the page's weather as daily data (a monthly file
    // already expanded) and the parameters, each read once for all of them.
    std::shared_ptr<const WeatherFile> weather;
    std::optional<std::array<double, 27>> parameters; // a ParameterSet
    DailyRowWriter* observer = nullptr; // sees every simulated day as the daily file does
    bool writeResults = true;           // false: simulate only, no file is written

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
    std::string message; // the failed check's message
    int beeps = 0;       // error beeps before the message: the check's own and the run's
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

} // namespace orvek
