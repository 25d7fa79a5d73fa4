#include "run/RunPipeline.h"

#include "basics/Files.h"
#include "formats/PageState.h"
#include "formats/ResultFiles.h"
#include "model/Dynamics.h"
#include "model/RunState.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

namespace orvek {

namespace {

constexpr const char* kDailyWeatherWorkingFile = "DailyWth.~";

class DailyTextWriter : public DailyRowWriter {
public:
    DailyTextWriter(std::string& out, DailySeries* series) : m_out(out), m_series(series) {}
    void writeDailyRow(int das, DateSerial date, const RunState& run) override {
        appendDailyRow(m_out, das, date, run);
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
    std::string& m_out;
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

// Writes every file under a temporary name first and renames them only when all are complete,
// so that a failure leaves the previous run's files as they were.
void commitFiles(const std::vector<std::pair<std::string, const std::string*>>& files) {
    std::vector<std::string> temps;
    try {
        for (const auto& [path, content] : files) {
            const std::string temp = temporaryNameFor(path);
            temps.push_back(temp);
            writeFileAtomically(temp, *content);
        }
    } catch (...) {
        for (const std::string& t : temps) {
            std::remove(t.c_str());
        }
        throw;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        replaceFile(temps[i], files[i].first);
    }
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
            writeFileAtomically(run.weatherPath, daily);
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
    const size_t days = static_cast<size_t>(std::max(0, run.endDate - run.startDate + 1));
    ResultTexts local;
    ResultTexts& texts = env.texts != nullptr ? *env.texts : local;
    std::string& daily = texts.daily;
    daily = resultFileHeader(true, run.carbonOnly);
    daily.reserve(daily.size() + days * 72);
    if (env.series != nullptr) {
        reserveSeries(*env.series, days);
    }
    DailyTextWriter writer(daily, env.series);
    simulateDays(run, *run.weather, run.firstWeatherLine, writer, env.progress);
    const auto t1 = Clock::now();

    texts.settingRecord = settingRecord(page, run, env.formats);
    texts.dailyMemo = memoFromResult(daily, run.endDate);
    texts.monthly = monthlyFromDaily(daily, run.startDate, run.lastDAS, run.carbonOnly);
    texts.monthlyMemo = memoFromResult(texts.monthly, run.endDate);
    if (env.series != nullptr) {
        markMonthlyEntries(*env.series, run.startDate);
    }
    if (env.writeResultFiles) {
        writeResultFiles(texts, start);
    }
    const auto t2 = Clock::now();

    RunOutcome out;
    out.ok = true;
    out.last = LastRun{run.carbonOnly, run.startDate, run.endDate, run.lastDAS};
    out.cohortSteps = run.cohortSteps;
    out.simulationSeconds = std::chrono::duration<double>(t1 - t0).count();
    out.writingSeconds = std::chrono::duration<double>(t2 - t1).count();
    return out;
}

void writeResultFiles(const ResultTexts& texts, const std::string& folder) {
    commitFiles({{folder + kResultDailyFileName, &texts.daily},
                 {folder + kSettingRecordFileName, &texts.settingRecord},
                 {folder + kResultDailyMemoFileName, &texts.dailyMemo},
                 {folder + kResultMonthlyFileName, &texts.monthly},
                 {folder + kResultMonthlyMemoFileName, &texts.monthlyMemo}});
}

} // namespace orvek
