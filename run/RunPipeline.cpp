#include "run/RunPipeline.h"

#include "basics/FileCommit.h"
#include "basics/Files.h"
#include "formats/PageState.h"
#include "formats/ResultFiles.h"
#include "model/Dynamics.h"
#include "model/RunState.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace orvek {

namespace {

constexpr const char* kDailyWeatherWorkingFile = "DailyWth.~";

class DailyTextWriter : public DailyRowWriter {
public:
    explicit DailyTextWriter(std::string& out) : m_out(out) {}
    void writeDailyRow(int das, DateSerial date, const RunState& run) override {
        appendDailyRow(m_out, das, date, run);
    }

private:
    std::string& m_out;
};

RunOutcome failed(const RunState& run) {
    RunOutcome out;
    out.message = run.message;
    out.beeps = run.checkBeeps + 1;
    return out;
}

} // namespace

RunOutcome performRun(const PageState& page, const RunEnvironment& env) {
    RunState run;
    const std::string& start = env.startFolder;
    run.eventsPath = start + kInputEventsFileName;
    if (page.dailyWeather) {
        run.weatherPath = page.weatherFolder + page.weatherFileName;
    } else {
        run.weatherPath = start + kDailyWeatherWorkingFile;
        if (!page.weatherFileName.empty()) {
            const WeatherFile& monthly = run.monthlyWeather.emplace(
                WeatherFile::load(resolveFileName(page.weatherFolder + page.weatherFileName)));
            std::string daily;
            if (!expandMonthlyWeather(monthly, daily)) {
                run.fail("Weather data incorrect. Check the weather file and try again");
                return failed(run);
            }
            writeWorkingFile(run.weatherPath, daily);
        }
    }

    checkRunSettings(run, page, env);
    if (run.error) {
        return failed(run);
    }
    gatherRunSettings(run, page, env);
    if (run.error) {
        return failed(run);
    }
    return completeRun(run, page, env);
}

RunOutcome completeRun(RunState& run, const PageState& page, const RunEnvironment& env) {
    using Clock = std::chrono::steady_clock;
    const std::string& start = env.startFolder;
    run.parameterPath = start + kParameterFileName;
    run.parameters = readParameterFile(resolveFileName(run.parameterPath));

    if (env.progress) {
        env.progress(0);
    }
    const auto t0 = Clock::now();
    std::string daily = resultFileHeader(true, run.carbonOnly);
    daily.reserve(daily.size() + static_cast<size_t>(run.endDate - run.startDate + 1) * 72);
    DailyTextWriter writer(daily);
    simulateDays(run, *run.weather, run.firstWeatherLine, writer, env.progress);
    const auto t1 = Clock::now();

    const std::string record = settingRecord(page, run, env.formats);
    const std::string dailyMemo = memoFromResult(daily, run.endDate);
    const std::string monthly = monthlyFromDaily(daily, run.startDate, run.lastDAS, run.carbonOnly);
    const std::string monthlyMemo = memoFromResult(monthly, run.endDate);
    // All five or none: the pages and the workbook export read them as one set.
    replaceTogether({{start + kResultDailyFileName, daily},
                     {start + kSettingRecordFileName, record},
                     {start + kResultDailyMemoFileName, dailyMemo},
                     {start + kResultMonthlyFileName, monthly},
                     {start + kResultMonthlyMemoFileName, monthlyMemo}});
    const auto t2 = Clock::now();

    RunOutcome out;
    out.ok = true;
    out.last = LastRun{run.carbonOnly, run.startDate, run.endDate, run.lastDAS};
    out.cohortSteps = run.cohortSteps;
    out.simulationSeconds = std::chrono::duration<double>(t1 - t0).count();
    out.writingSeconds = std::chrono::duration<double>(t2 - t1).count();
    return out;
}

} // namespace orvek
