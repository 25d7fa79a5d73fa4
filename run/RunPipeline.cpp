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
#include <type_traits>

namespace orvek {

static_assert(std::is_same_v<ParameterSet, std::array<double, 27>>);

namespace {

constexpr const char* kDailyWeatherWorkingFile = "DailyWth.~";

class DailyTextWriter : public DailyRowWriter {
public:
    DailyTextWriter(std::string* out, DailyRowWriter* observer)
        : m_out(out), m_observer(observer) {}
    void writeDailyRow(int das, DateSerial date, const RunState& run) override {
        if (m_out != nullptr) {
            appendDailyRow(*m_out, das, date, run);
        }
        if (m_observer != nullptr) {
            m_observer->writeDailyRow(das, date, run);
        }
    }

private:
    std::string* m_out;
    DailyRowWriter* m_observer;
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
    const std::string& start = env.filesFolder();
    run.eventsPath = start + kInputEventsFileName;
    run.weather = env.weather;
    if (page.dailyWeather) {
        run.weatherPath = page.weatherFolder + page.weatherFileName;
    } else {
        run.weatherPath = start + kDailyWeatherWorkingFile;
        if (!page.weatherFileName.empty() && !run.weather) {
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
    const std::string& start = env.filesFolder();
    run.parameterPath = env.startFolder + kParameterFileName;
    run.parameters =
        env.parameters ? *env.parameters : readParameterFile(resolveFileName(run.parameterPath));

    if (env.progress) {
        env.progress(0);
    }
    const auto t0 = Clock::now();
    std::string daily;
    if (env.writeResults) {
        daily = resultFileHeader(true, run.carbonOnly);
        daily.reserve(daily.size() + static_cast<size_t>(run.endDate - run.startDate + 1) * 72);
    }
    DailyTextWriter writer(env.writeResults ? &daily : nullptr, env.observer);
    simulateDays(run, *run.weather, run.firstWeatherLine, writer, env.progress);
    const auto t1 = Clock::now();
    RunOutcome out;
    out.ok = true;
    out.last = LastRun{run.carbonOnly, run.startDate, run.endDate, run.lastDAS};
    out.cohortSteps = run.cohortSteps;
    out.simulationSeconds = std::chrono::duration<double>(t1 - t0).count();
    if (!env.writeResults) {
        return out;
    }

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
    out.writingSeconds = std::chrono::duration<double>(t2 - t1).count();
    return out;
}

} // namespace orvek
