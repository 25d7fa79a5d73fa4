// The daily loop against values worked out by hand from the model's equations, and its
// invariants on long runs.

#include "RunFixture.h"

#include "model/Dynamics.h"
#include "model/Parameters.h"
#include "model/RunState.h"
#include "model/Weather.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::date;

struct DayRecord {
    int das;
    DateSerial date;
    SoilTotals soil;
    double somCN;
    double som;
};

class Recorder : public DailyRowWriter {
public:
    std::vector<DayRecord> days;
    void writeDailyRow(int das, DateSerial d, const RunState& run) override {
        days.push_back({das, d, run.soil, run.som.cn, run.som.c});
    }
};

RunState baseRun(bool carbonOnly) {
    RunState run;
    run.carbonOnly = carbonOnly;
    run.startDate = date(2005, 1, 1);
    run.endDate = date(2005, 1, 10);
    run.somStock = 26000;
    run.initialMineralN = 50;
    run.addSoilMinusAir = true;
    run.parameters = readParameterFile(test::dataDir() + "Parameter.Orvek");
    return run;
}

// Tmax 20 and Tmin 10 with the soil 2 degrees warmer: 17 degrees, Q10 2 above 9 degrees.
const double kFactor = std::pow(2.0, 0.8);

TEST(DailyLoop, FirstDaysByHandInCarbonAndNitrogenMode) {
    RunState run = baseRun(false);
    run.events = {SubstrateEvent{1, 2000, 80, date(2005, 1, 2)}};
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 40, 20, 10));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    ASSERT_EQ(rec.days.size(), 10u);
    EXPECT_EQ(run.lastDAS, 10);

    // Start date: SOM does not decompose, no Cohort yet.
    const DayRecord& d1 = rec.days[0];
    EXPECT_EQ(d1.das, 1);
    EXPECT_EQ(d1.date, date(2005, 1, 1));
    EXPECT_DOUBLE_EQ(d1.som, 26000);
    EXPECT_DOUBLE_EQ(d1.soil.residueC, 0);
    EXPECT_DOUBLE_EQ(d1.soil.mineralN, 50);
    EXPECT_DOUBLE_EQ(d1.soil.totalN, 2650);
    EXPECT_DOUBLE_EQ(d1.soil.residueCN, 0);
    EXPECT_DOUBLE_EQ(d1.somCN, 10);

    // Day 2: SOM decays at its 30-day rate; at C:N 10 with microbes at 10 it releases dC / 10.
    // The Cohort is created and does not decompose yet.
    const double k30som = 0.00013 * std::pow(30.0, -0.2);
    const double som2 = 26000 * std::exp(-k30som * kFactor);
    const double release2 = (26000 - som2) / 10;
    const DayRecord& d2 = rec.days[1];
    EXPECT_NEAR(d2.som, som2, 1e-9);
    EXPECT_NEAR(d2.soil.cumulativeNetN, release2, 1e-12);
    EXPECT_NEAR(d2.soil.mineralN, 50 + release2, 1e-12);
    EXPECT_DOUBLE_EQ(d2.soil.residueC, 2000);
    EXPECT_NEAR(d2.soil.totalN, 2650 + 25, 1e-9);
    EXPECT_NEAR(d2.soil.residueCN, 80, 1e-9);
    EXPECT_NEAR(d2.somCN, 10, 1e-12);

    // Day 3: the Cohort's first step at its own 30-day rate; microbes assimilate dC / 1.5 at
    // C:N 10 and immobilise N from the mineral pool.
    const double som3 = som2 * std::exp(-k30som * kFactor);
    const double k30c = 0.078 * std::pow(30.0, -0.55);
    const double c3 = 2000 * std::exp(-k30c * kFactor);
    const double dC = 2000 - c3;
    const double a = dC / 1.5;
    const double net = (dC + a) / 80 - a / 10;
    ASSERT_LT(net, 0);
    const DayRecord& d3 = rec.days[2];
    EXPECT_NEAR(d3.som, som3, 1e-9);
    EXPECT_NEAR(d3.soil.residueC, c3, 1e-9);
    EXPECT_NEAR(d3.soil.mineralN, 50 + (26000 - som3) / 10 + net, 1e-9);
    EXPECT_NEAR(d3.soil.cumulativeNetN, (26000 - som3) / 10 + net, 1e-9);
    EXPECT_NEAR(d3.soil.residueCN, c3 / (25 - net), 1e-9);
    EXPECT_NEAR(d3.soil.totalN, 2675, 1e-9);
}

TEST(DailyLoop, CarbonOnlyModeAndEventOnStartDate) {
    RunState run = baseRun(true);
    run.events = {SubstrateEvent{5, 1500, 0, date(2005, 1, 1)},
                  SubstrateEvent{6, 1000, 0, date(2005, 1, 1)}};
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 40, 20, 10));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    // Both events of the start date count on the first row; they first decay the next day.
    EXPECT_DOUBLE_EQ(rec.days[0].soil.residueC, 2500);
    const double gm = 1500 * std::exp(-0.171 * std::pow(30.0, -0.62) * kFactor);
    const double am = 1000 * std::exp(-0.023 * std::pow(30.0, -0.45) * kFactor);
    EXPECT_NEAR(rec.days[1].soil.residueC, gm + am, 1e-9);
    EXPECT_DOUBLE_EQ(rec.days[1].soil.mineralN, 0); // no nitrogen in C only mode
}

TEST(DailyLoop, TextureScalesSubstratesButNotSom) {
    RunState run = baseRun(true);
    run.textureIndex = 2; // clay: R x 70 %, S x 95 %
    run.events = {SubstrateEvent{1, 2000, 0, date(2005, 1, 1)}};
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 40, 20, 10));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    const double r = 0.078 * 0.70;
    const double s = 0.55 * 0.95;
    EXPECT_NEAR(rec.days[1].soil.residueC, 2000 * std::exp(-r * std::pow(30.0, -s) * kFactor),
                1e-9);
    EXPECT_NEAR(rec.days[1].som, 26000 * std::exp(-0.00013 * std::pow(30.0, -0.2) * kFactor), 1e-9);
}

TEST(DailyLoop, FrozenDaysAgeByTheMinimumFactor) {
    RunState run = baseRun(true);
    run.events = {SubstrateEvent{1, 2000, 0, date(2005, 1, 1)}};
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 40, -5, -15));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    EXPECT_NEAR(rec.days[1].soil.residueC, 2000 * std::exp(-0.078 * std::pow(30.0, -0.55) * 0.0001),
                1e-9);
}

// Wide-C:N straw on soil without mineral N: the N limitation works every day.
RunState starvedRun(int years) {
    RunState run = baseRun(false);
    run.initialMineralN = 0;
    run.somStock = 500; // little SOM, so little N is released
    run.endDate = date(2005 + years, 12, 31);
    for (int y = 0; y <= years; ++y) {
        run.events.push_back(SubstrateEvent{1, 8000, 150, date(2005 + y, 8, 1)});
        run.events.push_back(SubstrateEvent{2, 3000, 90, date(2005 + y, 8, 1)});
    }
    return run;
}

TEST(DailyLoop, NitrogenInvariantsUnderLimitation) {
    RunState run = starvedRun(4);
    const auto content = test::readFile(test::dataDir() + "milwaukee_1991_2020_daily.wth");
    const WeatherFile w = WeatherFile::parse("milwaukee", content);
    size_t first = 0;
    while (w.dailyDate(first) != run.startDate) {
        ++first;
    }
    Recorder rec;
    simulateDays(run, w, first, rec, nullptr);
    ASSERT_EQ(rec.days.back().date, run.endDate);

    double eventN = 0;
    size_t nextEvent = 0;
    int pausedDays = 0;
    std::uint64_t cohortDays = 0; // steps the Cohorts would take without any repetition
    double previousResidue = 0;
    const double initialN = 500.0 / 10;
    for (const DayRecord& d : rec.days) {
        while (nextEvent < run.events.size() && run.events[nextEvent].date <= d.date) {
            eventN += run.events[nextEvent].cAmount / run.events[nextEvent].cn;
            ++nextEvent;
        }
        // Organic + mineral N changes only by the N of new events.
        EXPECT_NEAR(d.soil.organicN + d.soil.mineralN, initialN + eventN, 1e-7) << d.das;
        EXPECT_NEAR(d.soil.totalN, d.soil.organicN + d.soil.mineralN, 1e-9);
        // SOM releases N here, so no Cohort step may leave the mineral pool negative.
        EXPECT_GE(d.soil.mineralN, -1e-9) << d.das;
        for (const SubstrateEvent& e : run.events) {
            cohortDays += e.date < d.date ? 1 : 0;
        }
        if (d.soil.residueC == previousResidue && d.soil.residueC > 0) {
            ++pausedDays;
        }
        previousResidue = d.soil.residueC;
    }
    EXPECT_GT(pausedDays, 0);
    EXPECT_GT(run.cohortSteps, cohortDays + 1000); // the limitation repeated many steps
}

// A frozen spell: every day has the same temperature-weighted days, so the N limitation's
// repetitions of one day serve the next. The Cohorts are limited on the same days, each from the
// adjustments the one before left, and the widest pause; none can age faster than the days allow
// nor lose more than steps by the full factor, and the narrower straw still decomposes.
TEST(DailyLoop, FrozenSpellUnderLimitationAgesEveryCohortWithinItsDays) {
    RunState run = starvedRun(1);
    run.endDate = date(2006, 12, 31);
    run.events.front().date = date(2005, 1, 1);
    run.events[1].date = date(2005, 1, 1);
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 730, -5, -15));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    ASSERT_EQ(rec.days.size(), 730u);
    const double initialN = 500.0 / 10;
    double eventN = 0;
    for (const SubstrateEvent& e : run.events) {
        eventN += e.cAmount / e.cn;
    }
    EXPECT_NEAR(rec.days.back().soil.organicN + rec.days.back().soil.mineralN, initialN + eventN,
                1e-7);
    EXPECT_GE(rec.days.back().soil.mineralN, -1e-9);
    EXPECT_GT(run.cohortSteps, 2 * 729u + 2 * 364u); // the limitation repeated steps
    for (size_t j = 0; j < run.events.size(); ++j) {
        const double days = static_cast<double>(rec.days.back().date - run.events[j].date);
        EXPECT_LE(run.cohorts.age[j], days * 0.0001 * (1 + 1e-12)) << j;
        EXPECT_GE(run.cohorts.c[j], run.events[j].cAmount *
                                        std::exp(-run.cohorts.k30[j] * days * 0.0001) * (1 - 1e-12))
            << j;
    }
    EXPECT_GT(run.cohorts.age[1], 0);
    EXPECT_LT(run.cohorts.c[1], run.events[1].cAmount);
    EXPECT_EQ(run.cohorts.c[0], run.events[0].cAmount); // paused every day
}

// Weather whose days take more different temperature-weighted days than the loop keeps the N
// limitation's repetitions for, then come back to earlier values and alternate between new
// ones: the steps taken and the last day's values are those of a loop that makes them afresh
// every day (the numbers here are that loop's).
TEST(DailyLoop, RepetitionsKeptForEachDayValueMatchOnesMadeAfresh) {
    RunState run = starvedRun(5);
    run.initialMineralN = 20; // enough for many repetitions to end before the range does
    run.somStock = 26000;
    std::string text = "Test site\r\nVaried weather\r\nColumns: year, day, Tmax, Tmin, rain\r\n"
                       "YEAR\tDAY\tTMAX\tTMIN\tPRCP\r\n";
    int year = 2005;
    int day = 1;
    const int days = run.endDate - run.startDate + 1;
    for (int k = 0; k < days; ++k) {
        double tmax = 5 + 0.01 * k; // 1500 different days
        if (k >= 1500 && k < 1800) {
            tmax = 5 + 0.03 * (k - 1500); // back to days already seen
        } else if (k >= 1800) {
            tmax = k % 3 == 0 ? 21.37 : 22.41 + (k % 2); // new values, alternating
        }
        char line[96];
        std::snprintf(line, sizeof line, "%d\t%d\t%.2f\t%.2f\t0.0\r\n", year, day, tmax, tmax - 8);
        text += line;
        if (++day > (year % 4 == 0 ? 366 : 365)) {
            day = 1;
            ++year;
        }
    }
    const WeatherFile w = WeatherFile::parse("w.wth", text);
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    ASSERT_EQ(rec.days.size(), static_cast<size_t>(days));
    // The last bits differ between the C library's functions and the vector ones; the steps
    // taken, which every N limitation decides, do not.
    EXPECT_EQ(run.cohortSteps, 216369u);
    const SoilTotals& last = rec.days.back().soil;
    EXPECT_NEAR(last.residueC, 44706.270384958, 1e-6);
    EXPECT_NEAR(last.mineralN, 0.0877293266649, 1e-9);
    EXPECT_NEAR(last.cumulativeNetN, -19.9122706733351, 1e-9);
}

TEST(DailyLoop, StopsAtTheEndOfTheWeatherData) {
    RunState run = baseRun(true);
    run.endDate = date(2005, 12, 31);
    const WeatherFile w =
        WeatherFile::parse("w.wth", test::constantDailyWeather(2005, 1, 20, 20, 10));
    Recorder rec;
    simulateDays(run, w, 0, rec, nullptr);
    EXPECT_EQ(run.lastDAS, 20);
}

} // namespace
} // namespace orvek
