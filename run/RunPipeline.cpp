#include "run/RunPipeline.h"

#include "basics/FileCommit.h"
#include "basics/Files.h"
#include "formats/PageState.h"
#include "formats/ResultFiles.h"
#include "model/Dynamics.h"
#include "model/RunState.h"
#include "run/RunHelper.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace orvek {

static_assert(std::is_same_v<ParameterSet, std::array<double, 27>>);

namespace {

constexpr const char* kDailyWeatherWorkingFile = "DailyWth.~";

class DailyTextWriter : public DailyRowWriter {
public:
    DailyTextWriter(std::string* out, DailyRowWriter* observer, DailySeries* series)
        : m_out(out), m_observer(observer), m_series(series) {}

    // Hands the rows' text to the helper's thread: the rows' values go over as the days end,
    // and a row this writer cannot be sure to write without an error is written here, in its
    // place, after the helper has stopped.
    void writeInBackground(RunHelper& helper) {
        if (m_out == nullptr) {
            return;
        }
        m_rows.resize(kRingRows);
        m_helper = &helper;
        helper.setBackground(&DailyTextWriter::formatPublished, this);
    }

    // Takes the text back from the helper's thread and writes the rows it has not written.
    void finish() {
        if (m_helper == nullptr) {
            return;
        }
        RunHelper* helper = std::exchange(m_helper, nullptr);
        helper->stopBackground();
        formatRows(m_kept);
    }

    void writeDailyRow(int das, DateSerial date, const RunState& run) override {
        if (m_out != nullptr) {
            const auto values = dailyRowValues(run);
            if (m_helper != nullptr && dailyRowWritable(values, run.carbonOnly)) {
                if (m_kept % kHandedRows == 0) {
                    waitForRoom();
                }
                m_rows[m_kept++ % kRingRows] = Row{values, das, date, run.carbonOnly};
                if (m_kept % kHandedRows == 0) {
                    m_published.store(m_kept, std::memory_order_release);
                    std::atomic_thread_fence(std::memory_order_seq_cst);
                    m_helper->nudge();
                }
            } else {
                finish();
                appendDailyRow(*m_out, das, date, run);
            }
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
    struct Row {
        std::array<double, kDailyValues> values;
        int das = 0;
        DateSerial date = 0;
        bool carbonOnly = false;
    };

    // Rows are handed over this many at a time: the run's thread then rarely writes to memory
    // the helper's thread has just read, which would hold up its stores until the other core
    // gives the memory back. Rows the helper has not written by the end are written by the run's
    // thread.
    static constexpr size_t kHandedRows = 64;
    // The rows handed over and not yet written wait in a ring of this many.
    static constexpr size_t kRingRows = 16 * kHandedRows;

    // Waits until the helper has written enough rows for the next batch to fit in the ring.
    void waitForRoom() {
        unsigned spins = 0;
        while (m_kept + kHandedRows - m_written.load(std::memory_order_acquire) > kRingRows) {
            if (++spins % 64 == 0) {
                std::this_thread::yield();
            }
        }
    }

    static bool formatPublished(void* context) {
        auto& self = *static_cast<DailyTextWriter*>(context);
        const size_t published = self.m_published.load(std::memory_order_acquire);
        if (self.m_formatted == published) {
            return false;
        }
        self.formatRows(published);
        self.m_written.store(published, std::memory_order_release);
        return true;
    }

    void formatRows(size_t end) {
        for (; m_formatted < end; ++m_formatted) {
            const Row& row = m_rows[m_formatted % kRingRows];
            appendDailyRow(*m_out, row.das, row.date, row.values, row.carbonOnly);
        }
    }

    std::string* m_out;
    DailyRowWriter* m_observer;
    DailySeries* m_series;
    RunHelper* m_helper = nullptr;
    std::vector<Row> m_rows;
    size_t m_kept = 0;                  // rows whose values are kept, by the run's thread
    std::atomic<size_t> m_published{0}; // the kept rows handed over
    size_t m_formatted = 0;             // by the helper's thread while it writes, else by the run's
    std::atomic<size_t> m_written{0};   // m_formatted for the run's thread
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

// The files made from the daily one: its memo, and the monthly file with its memo; the two are
// independent of each other.
struct DerivedTexts {
    const RunState& run;
    ResultTexts& texts;

    static size_t piece(const void* context, size_t first, size_t end) {
        const auto& d = *static_cast<const DerivedTexts*>(context);
        for (size_t i = first; i < end; ++i) {
            if (i == 0) {
                d.texts.dailyMemo = memoFromResult(d.texts.daily, d.run.endDate);
            } else {
                d.texts.monthly = monthlyFromDaily(d.texts.daily, d.run.startDate, d.run.lastDAS,
                                                   d.run.carbonOnly);
                d.texts.monthlyMemo = memoFromResult(d.texts.monthly, d.run.endDate);
            }
        }
        return 0;
    }
};

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
    DailyTextWriter writer(texts ? &daily : nullptr, env.observer, env.series);
    // Declared after what its thread works on, so that on every way out of this function it
    // is joined before they go.
    std::optional<RunHelper> helper;
    if (env.helperThread && texts) {
        helper.emplace();
        writer.writeInBackground(*helper);
    }
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
    writer.finish();
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
        const DerivedTexts derived{run, out5};
        if (helper) {
            helper->share(&DerivedTexts::piece, &derived, 2, 1);
        } else {
            DerivedTexts::piece(&derived, 0, 2);
        }
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
