// Whole runs on the Milwaukee weather in both modes, compared with result files that were
// reviewed by hand once and kept (tests/data/golden). The rows around the first events are also
// recomputed here from the model's equations, independently of the engine.
// ORVEK_UPDATE_GOLDEN=1 rewrites the kept files.

#include "RunFixture.h"

#include "basics/Text.h"
#include "model/Weather.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace orvek {
namespace {

using test::date;

const char* const kResultFiles[] = {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                                    "ResultMonthlyForMemo.~", "SettingRecord.~"};

struct GoldenRun : test::RunFixture {
    explicit GoldenRun(bool carbonOnly) {
        useMilwaukeeWeather();
        page.carbonOnly = carbonOnly;
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2006, 12, 31);
        setRow(1, 1, "4", "90", date(2005, 8, 1));
        setRow(2, 2, "1.5", "50", date(2005, 8, 1));
        setRow(3, 3, "2", "20", date(2006, 4, 15));
        setRow(4, 6, "3", "15", date(2006, 10, 1));
    }
};

void compareWithGolden(const GoldenRun& run, const std::string& mode) {
    const std::string dir = test::testDataDir() + "golden/" + mode + "/";
    const bool update = std::getenv("ORVEK_UPDATE_GOLDEN") != nullptr;
    for (const char* name : kResultFiles) {
        const std::string produced = run.result(name);
        if (update) {
            test::TestFolder::writeFile(dir + name, produced);
        }
        EXPECT_EQ(produced, test::readFile(dir + name)) << mode << "/" << name;
    }
}

// The fields of the daily row of a date.
std::vector<std::string> rowOf(const std::string& daily, DateSerial d) {
    const size_t at = daily.find("\n" + std::to_string(d) + "\t");
    EXPECT_NE(at, std::string::npos);
    const std::string line = daily.substr(at + 1, daily.find('\r', at) - at - 1);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    return fields;
}

double factorOn(DateSerial d) {
    const WeatherFile w = WeatherFile::load(test::dataDir() + "milwaukee_1991_2020_daily.wth");
    for (size_t i = 0; i < w.size(); ++i) {
        if (w.dailyDate(i) == d) {
            double tmax = 0;
            double tmin = 0;
            w.temperatures(i, tmax, tmin);
            double t = (std::min(tmax, 35.0) + tmin) / 2 + 2;
            t = std::max(t, 0.0);
            const double f = t >= 9 ? std::pow(2.0, (t - 9) / 10) : t / 9;
            return f == 0 ? 0.0001 : f;
        }
    }
    ADD_FAILURE() << "no weather for " << d;
    return 1;
}

TEST(GoldenRun, CarbonAndNitrogen) {
    GoldenRun run(false);
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.last.lastDAS, 730);
    compareWithGolden(run, "cn");

    const std::string daily = run.result("ResultDaily.~");
    EXPECT_EQ(rowOf(daily, date(2005, 1, 1)),
              (std::vector<std::string>{"38353", "1", "26.00", "0.00", "26.00", "0.0", "50.0",
                                        "2650", "0.0", "10.0"}));
    // The Cohorts' own day: 5.5 Mg C/ha at 5500 / (4000/90 + 1500/50).
    const std::vector<std::string> created = rowOf(daily, date(2005, 8, 1));
    EXPECT_EQ(created[3], "5.50");
    EXPECT_EQ(created[8], formatFixed(5500 / (4000.0 / 90 + 1500.0 / 50), 1));
    // Their first step at the 30-day rates, microbes at D:A 1.5 and C:N 10 taking up N.
    const double f = factorOn(date(2005, 8, 2));
    double carbon = 0;
    double nitrogen = 0;
    for (const auto& [c0, cn, r, s] :
         {std::tuple{4000.0, 90.0, 0.078, 0.55}, std::tuple{1500.0, 50.0, 0.042, 0.50}}) {
        const double c = c0 * std::exp(-r * std::pow(30.0, -s) * f);
        const double dC = c0 - c;
        const double a = dC / 1.5;
        const double net = (dC + a) / cn - a / 10;
        carbon += c;
        nitrogen += c0 / cn - net;
    }
    const std::vector<std::string> next = rowOf(daily, date(2005, 8, 2));
    EXPECT_EQ(next[3], formatFixed(carbon / 1000, 2));
    EXPECT_EQ(next[8], formatFixed(carbon / nitrogen, 1));
}

TEST(GoldenRun, CarbonOnly) {
    GoldenRun run(true);
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    compareWithGolden(run, "c");
    const std::string daily = run.result("ResultDaily.~");
    EXPECT_EQ(rowOf(daily, date(2005, 1, 1)),
              (std::vector<std::string>{"38353", "1", "26.00", "0.00", "26.00"}));
    EXPECT_NE(daily.find("\r\n38353\t1\t26.00\t0.00\t26.00\t\r\n"), std::string::npos);
    const double f = factorOn(date(2005, 8, 2));
    const double c = 4000 * std::exp(-0.078 * std::pow(30.0, -0.55) * f) +
                     1500 * std::exp(-0.042 * std::pow(30.0, -0.5) * f);
    EXPECT_EQ(rowOf(daily, date(2005, 8, 2))[3], formatFixed(c / 1000, 2));
}

} // namespace
} // namespace orvek
