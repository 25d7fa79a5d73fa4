// The weather importer on small hand-written exports of each source: values, units, the
// header it writes and the faults it lists.

#include "TestFolder.h"

#include "basics/Errors.h"
#include "model/Weather.h"
#include "model/WeatherImport.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

std::string fixture(const std::string& name) {
    return test::readFile(test::testDataDir() + "weather-import/" + name);
}

WeatherImport importFixture(const std::string& name, WeatherImportOptions o = {}) {
    return importWeather(fixture(name), "/somewhere/" + name, o);
}

// The data lines of an imported file, without the four header lines.
std::string dataLines(const std::string& output) {
    size_t pos = 0;
    for (int k = 0; k < 4; ++k) {
        pos = output.find("\r\n", pos) + 2;
    }
    return output.substr(pos);
}

std::string headerLine(const std::string& output, int k) {
    size_t pos = 0;
    for (int i = 0; i < k; ++i) {
        pos = output.find("\r\n", pos) + 2;
    }
    return output.substr(pos, output.find("\r\n", pos) - pos);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

// --- Each layout: recognised by its header, values converted and rounded ------------------

TEST(WeatherImportLayouts, NasaPowerFillsAShortGapOnlyWhenAsked) {
    const std::string text =
        replaced(fixture("nasa_power.csv"), "2020,3,4.0,-1.0,-999", "2020,3,4.0,-1.0,0.2");
    const WeatherImport refused = importWeather(text, "nasa_power.csv");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.problems, std::vector<std::string>{"2020-01-02: Tmax missing (line 16)"});
    EXPECT_TRUE(refused.output.empty());

    WeatherImportOptions fill;
    fill.fill = GapFill::Linear;
    const WeatherImport w = importWeather(text, "nasa_power.csv", fill);
    ASSERT_TRUE(w.ok) << (w.problems.empty() ? "" : w.problems[0]);
    EXPECT_EQ(w.layout, WeatherLayout::NasaPower);
    EXPECT_EQ(w.filled,
              std::vector<std::string>{"2020-01-02: Tmax missing (line 16), filled linearly"});
    EXPECT_EQ(w.output,
              "Imported from the NASA POWER daily CSV file \"nasa_power.csv\"; 1 gap(s) of at "
              "most 3 days filled linearly\r\n"
              "Site: latitude 43.0389, longitude -87.9065\r\n"
              "Columns: year, day of year, Tmax (C), Tmin (C), precipitation (mm)\r\n"
              "YEAR\tDAY\tTMAX\tTMIN\tPRCP\r\n"
              "2019\t364\t1.3\t-4.3\t0.0\r\n"
              "2019\t365\t-0.1\t-7.8\t2.5\r\n"
              "2020\t1\t3.2\t-2.0\t0.4\r\n"
              "2020\t2\t3.6\t-3.5\t0.0\r\n"
              "2020\t3\t4.0\t-1.0\t0.2\r\n");
}

TEST(WeatherImportLayouts, GapAtTheEndIsNeverFilled) {
    WeatherImportOptions fill;
    fill.fill = GapFill::Linear;
    const WeatherImport w = importFixture("nasa_power.csv", fill);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.problems, std::vector<std::string>{"2020-01-03: precipitation missing (line 17) "
                                                   "(at the start or end: not filled)"});
}

TEST(WeatherImportLayouts, DaymetLeapYearGetsItsLastDayFromTheDayBefore) {
    const WeatherImport w = importFixture("daymet.csv");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.layout, WeatherLayout::Daymet);
    EXPECT_EQ(headerLine(w.output, 0),
              "Imported from the Daymet single-pixel CSV file \"daymet.csv\"; 31 December of leap "
              "years copied from 30 December (Daymet years have 365 days)");
    EXPECT_EQ(headerLine(w.output, 1), "Site: latitude 43.0389, longitude -87.9065");
    EXPECT_EQ(dataLines(w.output), "2020\t364\t-0.5\t-6.5\t0.0\r\n"
                                   "2020\t365\t1.5\t-3.3\t4.2\r\n"
                                   "2020\t366\t1.5\t-3.3\t4.2\r\n"
                                   "2021\t1\t0.0\t-5.0\t0.8\r\n"
                                   "2021\t2\t-2.0\t-9.0\t0.0\r\n");
}

TEST(WeatherImportLayouts, MeteostatEmptyPrecipitationIsAGap) {
    const WeatherImport refused = importFixture("meteostat.csv");
    EXPECT_EQ(refused.problems,
              std::vector<std::string>{"2021-07-03: precipitation missing (line 4)"});
    WeatherImportOptions fill;
    fill.fill = GapFill::Linear;
    const WeatherImport w = importFixture("meteostat.csv", fill);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.layout, WeatherLayout::Meteostat);
    EXPECT_NE(headerLine(w.output, 0).find("metric units (C, mm) assumed"), std::string::npos);
    EXPECT_EQ(headerLine(w.output, 1), "Site: not named in the file");
    EXPECT_EQ(dataLines(w.output), "2021\t182\t27.8\t16.4\t0.0\r\n"
                                   "2021\t183\t26.2\t17.0\t12.3\r\n"
                                   "2021\t184\t24.0\t15.2\t6.7\r\n"
                                   "2021\t185\t25.6\t14.9\t1.1\r\n");
}

TEST(WeatherImportLayouts, NoaaMetricAndStandardExports) {
    const WeatherImport metric = importFixture("noaa_metric.csv");
    ASSERT_TRUE(metric.ok);
    EXPECT_EQ(metric.layout, WeatherLayout::Noaa);
    EXPECT_EQ(headerLine(metric.output, 1), "Site: USW00014839 MILWAUKEE MITCHELL AIRPORT, WI US");
    EXPECT_NE(headerLine(metric.output, 0).find("NOAA metric units (C, mm) assumed"),
              std::string::npos);
    EXPECT_EQ(dataLines(metric.output), "2020\t58\t-1.1\t-7.8\t2.5\r\n"
                                        "2020\t59\t-3.9\t-11.0\t0.0\r\n"
                                        "2020\t60\t1.7\t-6.1\t0.3\r\n"
                                        "2020\t61\t5.6\t-2.2\t0.0\r\n");
    WeatherImportOptions standard;
    standard.noaaUnits = NoaaUnits::Standard;
    const WeatherImport w = importFixture("noaa_standard.csv", standard);
    ASSERT_TRUE(w.ok);
    EXPECT_NE(headerLine(w.output, 0).find("NOAA standard units (F, inches) converted"),
              std::string::npos);
    EXPECT_EQ(dataLines(w.output), "2020\t58\t-1.1\t-7.8\t2.5\r\n"
                                   "2020\t59\t-3.9\t-11.1\t0.0\r\n"
                                   "2020\t60\t1.7\t-6.1\t0.3\r\n");
}

TEST(WeatherImportLayouts, ApsimMetReadsItsUnitRowAndSite) {
    const WeatherImport w = importFixture("apsim.met");
    ASSERT_TRUE(w.ok) << (w.problems.empty() ? "" : w.problems[0]);
    EXPECT_EQ(w.layout, WeatherLayout::ApsimMet);
    EXPECT_EQ(headerLine(w.output, 1), "Site: Milwaukee test site");
    EXPECT_EQ(w.columns[0], "maxt (oC): Tmax (C)");
    EXPECT_EQ(dataLines(w.output), "1995\t59\t3.3\t-4.4\t0.0\r\n"
                                   "1995\t60\t5.0\t-1.7\t6.1\r\n"
                                   "1995\t61\t2.2\t-3.9\t0.5\r\n");
}

TEST(WeatherImportLayouts, PlainCsvConvertsFahrenheitAndInchesFromItsHeader) {
    const WeatherImport w = importFixture("plain_fahrenheit.csv");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.layout, WeatherLayout::PlainCsv);
    EXPECT_NE(headerLine(w.output, 0).find("converted from F and inches"), std::string::npos);
    EXPECT_EQ(dataLines(w.output), "2001\t1\t0.0\t-10.0\t12.7\r\n"
                                   "2001\t2\t10.0\t-5.0\t0.0\r\n"
                                   "2001\t3\t5.0\t-20.0\t31.8\r\n");
}

// --- Faults: every one listed with its date, nothing written -----------------------------

TEST(WeatherImportFaults, ListsRepeatedOutOfOrderMissingDaysAndValues) {
    const WeatherImport w = importFixture("plain_faults.csv");
    EXPECT_FALSE(w.ok);
    EXPECT_TRUE(w.output.empty());
    EXPECT_EQ(w.problems, (std::vector<std::string>{
                              "2010-05-05: day repeated (line 6)",
                              "2010-05-04: out of order after 2010-05-05 (line 7)",
                              "2010-05-02: precipitation missing (line 3)",
                              "2010-05-03: Tmax missing (line 4)",
                              "2010-05-04: day missing",
                              "2010-05-05: Tmin missing (line 5)",
                              "2010-05-07 to 2010-05-11: 5 days missing",
                          }));
}

TEST(WeatherImportFaults, FillingLeavesLongGapsAndOrderFaults) {
    WeatherImportOptions fill;
    fill.fill = GapFill::Linear;
    const WeatherImport w = importFixture("plain_faults.csv", fill);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.problems,
              (std::vector<std::string>{
                  "2010-05-05: day repeated (line 6)",
                  "2010-05-04: out of order after 2010-05-05 (line 7)",
                  "2010-05-07 to 2010-05-11: 5 days missing (gap longer than 3 days: not filled)",
              }));
    EXPECT_EQ(w.filled.size(), 4u);
}

TEST(WeatherImportFaults, UnknownHeaderNamesTheLayoutsUnderstood) {
    try {
        importFixture("unknown.csv");
        FAIL() << "an unknown layout was accepted";
    } catch (const OrvekError& e) {
        const std::string m = e.what();
        for (const char* name :
             {"NASA POWER", "Daymet", "Meteostat", "NOAA", "APSIM .met", "date,tmax,tmin,precip"}) {
            EXPECT_NE(m.find(name), std::string::npos) << name;
        }
    }
}

TEST(WeatherImportFaults, ImplausibleTemperatureSuggestsTheUnits) {
    const WeatherImport w =
        importWeather("date,tmax,tmin,precip\n2001-07-01,95,70,0\n2001-07-02,31,20,0\n", "hot.csv");
    EXPECT_FALSE(w.ok);
    ASSERT_EQ(w.problems.size(), 2u);
    EXPECT_EQ(w.problems[0], "2001-07-01: Tmax 95.0 C is not plausible (line 2); check the units");
}

TEST(WeatherImportFaults, HostileTextNeverCrashes) {
    for (const std::string& text :
         {std::string(), std::string("-BEGIN HEADER-\n"), std::string("year,yday,\n"),
          std::string("date,tmax,tmin,precip\n\"unterminated,1,2\n"),
          std::string("date,tmax,tmin,precip\n9999-12-31,1,1,1\n0000-00-00,,,\n"),
          std::string("year day maxt mint rain\n1e9 99999 1 1 1\n")}) {
        try {
            const WeatherImport w = importWeather(text, "x");
            EXPECT_TRUE(w.ok || !w.problems.empty());
        } catch (const OrvekError&) {
        }
    }
}

// --- Round trip: what is written is a daily weather file the run reads --------------------

TEST(WeatherImportRoundTrip, OutputIsADailyWeatherFileOfTheSamePeriod) {
    const WeatherImport w = importFixture("daymet.csv");
    ASSERT_TRUE(w.ok);
    const WeatherFile f = WeatherFile::parse("daymet.wth", w.output);
    const WeatherInfo info = scanWeatherFile(f);
    EXPECT_EQ(info.kind, WeatherKind::Daily);
    EXPECT_EQ(f.size(), w.days.size());
    double tmax = 0, tmin = 0;
    f.temperatures(2, tmax, tmin);
    EXPECT_DOUBLE_EQ(tmax, 1.5);
    EXPECT_DOUBLE_EQ(tmin, -3.3);
}

} // namespace
} // namespace orvek
