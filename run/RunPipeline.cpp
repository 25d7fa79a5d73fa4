#include "run/RunPipeline.h"

#include "basics/FileCommit.h"
#include "basics/Files.h"
#include "formats/PageState.h"
#include "formats/ResultFiles.h"
#include "model/Dynamics.h"
#include "model/RunState.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace orvek {

static_assert(std::is_same_v<ParameterSet, std::array<double, 27>>);

namespace {

constexpr const char* kDailyWeatherWorkingFile = "DailyWth.~";

class DailyTextWriter : public DailyRowWriter {
public:
    DailyTextWriter(std::string* out, DerivedResultRows* derived, DailyRowWriter* observer,
                    DailySeries* series)
        : m_out(out), m_derived(derived), m_observer(observer), m_series(series) {}
    void writeDailyRow(int das, DateSerial date, const RunState& run) override {
        if (m_out != nullptr) {
            const size_t start = m_out->size();
            appendDailyRow(*m_out, das, date, run);
            m_derived->add(date, std::string_view(*m_out).substr(start));
        }
        if (m_observer != nullptr) {
            m_observer->writeDailyRow(das, date, run);
        }
        if (m_series != nullptr) {
            m_series->dates.push_back(date);
            m_series->das.push_back(das);
            const auto values = dailyRowValues(run);
            for (size_t i = 0; i < values.size(); ++i) {
                m_series->values[i].push_back(values[i]);
            }
        }
    }

private:
    std::string* m_out;
    DerivedResultRows* m_derived; // with m_out
    DailyRowWriter* m_observer;
    DailySeries* m_series;
};

void reserveSeries(DailySeries& series, size_t days) {
    series = DailySeries();
    series.dates.reserve(days);
    series.das.reserve(days);
    for (auto& v : series.values) {
        v.reserve(days);
    }
}

// The same rows monthlyFromDaily keeps from the daily file.
void markMonthlyEntries(DailySeries& series, DateSerial startDate) {
    const int day = monthlyRowDay(startDate);
    for (size_t i = 0; i < series.dates.size(); ++i) {
        if (decodeDate(series.dates[i]).day == day) {
            series.monthlyEntries.push_back(i);
        }
    }
}

// Thrown out of the daily loop when the run is asked to stop; never leaves completeRun.
struct StopRequested {};

bool stopRequested(const RunEnvironment& env) {
    return env.stop != nullptr && env.stop->load(std::memory_order_relaxed);
}

RunOutcome stoppedRun() {
    RunOutcome out;
    out.stopped = true;
    return out;
}

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
    const size_t days = static_cast<size_t>(std::max(0, run.endDate - run.startDate + 1));
    const bool texts = env.writeResults || env.texts != nullptr;
    ResultTexts local;
    ResultTexts& out5 = env.texts != nullptr ? *env.texts : local;
    std::string& daily = out5.daily;
    if (texts) {
        daily = resultFileHeader(true, run.carbonOnly);
        daily.reserve(daily.size() + days * 72);
    }
    if (env.series != nullptr) {
        reserveSeries(*env.series, days);
    }
    std::optional<DerivedResultRows> derived;
    if (texts) {
        derived.emplace(run.startDate, run.carbonOnly, days);
    }
    DailyTextWriter writer(texts ? &daily : nullptr, texts ? &*derived : nullptr, env.observer,
                           env.series);
    if (env.stop == nullptr) {
        simulateDays(run, *run.weather, run.firstWeatherLine, writer, env.progress);
    } else {
        const auto progress = [&env](int position) {
            if (stopRequested(env)) {
                throw StopRequested{};
            }
            if (env.progress) {
                env.progress(position);
            }
        };
        try {
            simulateDays(run, *run.weather, run.firstWeatherLine, writer, progress);
        } catch (const StopRequested&) {
            return stoppedRun();
        }
    }
    const auto t1 = Clock::now();
    if (env.series != nullptr) {
        markMonthlyEntries(*env.series, run.startDate);
    }
    RunOutcome out;
    out.ok = true;
    out.last = LastRun{run.carbonOnly, run.startDate, run.endDate, run.lastDAS};
    out.cohortSteps = run.cohortSteps;
    out.simulationSeconds = std::chrono::duration<double>(t1 - t0).count();
    if (texts) {
        out5.settingRecord = settingRecord(page, run, env.formats);
        out5.dailyMemo = std::move(derived->dailyMemo);
        out5.monthly = std::move(derived->monthly);
        out5.monthlyMemo = std::move(derived->monthlyMemo);
    }
    if (stopRequested(env)) {
        return stoppedRun(); // the last moment at which the previous results stay whole
    }
    if (env.writeResults) {
        writeResultFiles(out5, start);
    }
    out.writingSeconds = std::chrono::duration<double>(Clock::now() - t1).count();
    return out;
}

void writeResultFiles(const ResultTexts& texts, const std::string& folder) {
    // All five or none: the pages and the workbook export read them as one set.
    replaceTogether({{folder + kResultDailyFileName, texts.daily},
                     {folder + kSettingRecordFileName, texts.settingRecord},
                     {folder + kResultDailyMemoFileName, texts.dailyMemo},
                     {folder + kResultMonthlyFileName, texts.monthly},
                     {folder + kResultMonthlyMemoFileName, texts.monthlyMemo}});
}

} // namespace orvek
