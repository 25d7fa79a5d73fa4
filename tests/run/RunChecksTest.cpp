// The checks of a run in their order, with their messages and beeps, and what a failed or
// broken run leaves behind.

#include "RunFixture.h"

#include "basics/Errors.h"
#include "run/RunPipeline.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvek {
namespace {

using test::date;

// A one-year run on constant weather with two rows checked; every case below breaks one thing.
struct ChecksFixture : test::RunFixture {
    ChecksFixture() {
        useDailyWeather("site.wth", test::constantDailyWeather(2005, 1, 365, 20, 10));
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2005, 12, 31);
        setRow(1, 1, "2.5", "80", date(2005, 3, 1));
        setRow(3, 3, "1", "20", date(2005, 6, 1));
        page.rows[1].date = date(2005, 1, 1); // row 2 unchecked and earlier: takes no part
    }
};

struct CheckCase {
    const char* name;
    std::function<void(ChecksFixture&)> breakIt;
    const char* message;
    int beeps;
};

TEST(RunChecks, EachFailureGivesItsMessageAndWritesNothing) {
    const CheckCase cases[] = {
        {"no weather file", [](ChecksFixture& f) { f.page.weatherFileName.clear(); },
         "Weather file not specified or not found!", 1},
        {"missing weather file", [](ChecksFixture& f) { f.page.weatherFileName = "gone.wth"; },
         "Weather file not specified or not found!", 1},
        {"monthly, nothing chosen",
         [](ChecksFixture& f) {
             f.page.weatherFileName.clear();
             f.page.dailyWeather = false;
         },
         "Weather file not specified or not found!", 1},
        {"start before weather", [](ChecksFixture& f) { f.page.startDate = date(2004, 12, 31); },
         "Simulation start date set before the first date in the weather file.", 1},
        {"end beyond weather", [](ChecksFixture& f) { f.page.endDate = date(2006, 1, 1); },
         "Simulation ending date set beyond the last date in the weather file.", 1},
        {"end before start",
         [](ChecksFixture& f) {
             f.page.startDate = date(2005, 5, 1);
             f.page.endDate = date(2005, 4, 1);
         },
         "Simulation ending date set before the start date.", 1},
        {"day missing",
         [](ChecksFixture& f) {
             std::string w = test::constantDailyWeather(2005, 1, 365, 20, 10);
             const size_t at = w.find("2005\t100\t");
             w.erase(at, w.find('\n', at) + 1 - at);
             f.useDailyWeather("site.wth", w);
         },
         "Days missing or out of order in the weather file.", 1},
        {"soil empty", [](ChecksFixture& f) { f.page.depthText.clear(); },
         "Settings for soil properties not complete yet!", 1},
        {"Nmin empty in C & N", [](ChecksFixture& f) { f.page.nminText = ""; },
         "Settings for soil properties not complete yet!", 1},
        {"no texture", [](ChecksFixture& f) { f.page.textureIndex = -1; },
         "Settings for soil properties not complete yet!", 1},
        {"soil not a number", [](ChecksFixture& f) { f.page.bulkDensityText = "1,3"; },
         "'1,3' is not a valid floating point value", 1},
        {"events workbook missing",
         [](ChecksFixture& f) {
             f.page.eventsOnPanel = false;
             for (auto& r : f.page.rows) {
                 r.checked = false;
             }
             f.page.eventsFile = f.folder.file("none.xls");
         },
         "Input events file not found!", 1},
        {"row date outside", [](ChecksFixture& f) { f.page.rows[2].date = date(2006, 1, 1); },
         "Date of input event 3 set wrong!", 2},
        {"rows out of order", [](ChecksFixture& f) { f.page.rows[2].date = date(2005, 2, 1); },
         "Input event dates must be in chronological order from early to recent dates!", 2},
        {"C empty", [](ChecksFixture& f) { f.page.rows[2].cText = ""; },
         "Amount of C input or substrate C:N ratio not specified", 1},
        {"C zero", [](ChecksFixture& f) { f.page.rows[0].cText = "0"; },
         "Amount of C input or substrate C:N ratio not specified", 1},
        {"C:N negative", [](ChecksFixture& f) { f.page.rows[2].cnText = "-4"; },
         "Amount of C input or substrate C:N ratio not specified", 1},
        {"C:N not a number", [](ChecksFixture& f) { f.page.rows[0].cnText = "8O"; },
         "'8O' is not a valid floating point value", 1},
        {"C too large for a double", [](ChecksFixture& f) { f.page.rows[0].cText = "1e999"; },
         "'1e999' is not a valid floating point value", 1},
        {"no substrate type", [](ChecksFixture& f) { f.page.rows[2].typeIndex = -1; },
         "Substrate type of input event 3 not selected!", 1},
        {"seventh list entry", [](ChecksFixture& f) { f.page.rows[0].typeIndex = 6; },
         "Substrate type of input event 1 not selected!", 1},
        {"date before amounts",
         [](ChecksFixture& f) {
             f.page.rows[0].date = date(2006, 2, 1);
             f.page.rows[0].cText = "";
         },
         "Date of input event 1 set wrong!", 2},
    };
    for (const CheckCase& c : cases) {
        ChecksFixture f;
        c.breakIt(f);
        const RunOutcome out = f.run();
        EXPECT_FALSE(out.ok) << c.name;
        EXPECT_EQ(out.message, c.message) << c.name;
        EXPECT_EQ(out.beeps, c.beeps) << c.name;
        EXPECT_FALSE(f.folder.exists("ResultDaily.~")) << c.name;
    }
}

TEST(RunChecks, WhatTheChecksLetThrough) {
    ChecksFixture f;
    f.page.carbonOnly = true;
    f.page.nminText.clear();       // not needed in C only mode
    f.page.rows[0].cnText.clear(); // nor the C:N
    f.page.rows[2].date = f.page.endDate;
    f.page.rows[0].date = f.page.startDate; // events on StartDate and EndDate pass
    const RunOutcome out = f.run();
    EXPECT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.last.lastDAS, 365);
}

TEST(RunChecks, NoEventsSimulatesSomAlone) {
    ChecksFixture f;
    for (auto& r : f.page.rows) {
        r.checked = false;
    }
    const RunOutcome out = f.run();
    ASSERT_TRUE(out.ok) << out.message;
    const std::string daily = f.result("ResultDaily.~");
    EXPECT_EQ(daily.find("\t0.00\t26.00\t0.0\t50.0\t2650\t0.0\t10.0\t\r\n") != std::string::npos,
              true);
    for (const char* name : {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                             "ResultMonthlyForMemo.~", "SettingRecord.~"}) {
        EXPECT_TRUE(f.folder.exists(name)) << name;
    }
}

TEST(RunPipeline, FailedRunLeavesThePreviousResults) {
    ChecksFixture f;
    ASSERT_TRUE(f.run().ok);
    const std::string before = f.result("ResultDaily.~");
    const std::string record = f.result("SettingRecord.~");
    f.page.rows[0].cText = "";
    EXPECT_FALSE(f.run().ok);
    EXPECT_EQ(f.result("ResultDaily.~"), before);
    // A file error in the middle of the run leaves them too.
    f.page.rows[0].cText = "2.5";
    f.folder.write("Parameter.Orvek", "Internal parameters\r\n0.1\r\n");
    EXPECT_THROW(f.run(), OrvekError);
    EXPECT_EQ(f.result("ResultDaily.~"), before);
    EXPECT_EQ(f.result("SettingRecord.~"), record);
}

TEST(RunPipeline, ZeroSoilStockInCarbonAndNitrogenMode) {
    ChecksFixture f;
    f.page.soilCText = "0";
    const RunOutcome out = f.run();
    ASSERT_TRUE(out.ok) << out.message;
    const std::string daily = f.result("ResultDaily.~");
    EXPECT_EQ(daily.find("nan"), std::string::npos);
    EXPECT_EQ(daily.find("inf"), std::string::npos);
}

TEST(RunPipeline, MonthlyWeatherIsExpandedBeforeTheChecks) {
    test::RunFixture f;
    f.folder.copyData("milwaukee_1991_2020_monthly.wth");
    f.page.weatherFolder = f.folder.path();
    f.page.weatherFileName = "milwaukee_1991_2020_monthly.wth";
    f.page.dailyWeather = false;
    f.page.startDate = date(2004, 2, 1);
    f.page.endDate = date(2004, 3, 31);
    const RunOutcome out = f.run();
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.last.lastDAS, 60);
    const std::string daily = f.result("DailyWth.~");
    EXPECT_NE(daily.find("\r\n2004\t60\t"), std::string::npos);
    EXPECT_NE(daily.find("\r\n2020\t366\t"), std::string::npos);

    f.folder.write("bad.wth", "a\r\nb\r\nc\r\nd\r\n2004\t1\t1\t1\r\n2004\t14\t1\t1\r\n");
    f.page.weatherFileName = "bad.wth";
    const RunOutcome bad = f.run();
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message, "Weather data incorrect. Check the weather file and try again");
}

TEST(RunPipeline, ParameterFileFaultsNameTheFileAndLine) {
    const auto runWith = [](const std::string& parameters, int texture) {
        ChecksFixture f;
        f.page.textureIndex = texture;
        f.folder.write("Parameter.Orvek", parameters);
        try {
            f.run();
        } catch (const OrvekError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::string good = test::readFile(test::dataDir() + "Parameter.Orvek");
    const auto replaceLine = [&good](int line, const std::string& text) {
        std::string s = good;
        size_t pos = 0;
        for (int k = 1; k < line; ++k) {
            pos = s.find('\n', pos) + 1;
        }
        s.replace(pos, s.find('\r', pos) - pos, text);
        return s;
    };
    EXPECT_NE(runWith(replaceLine(5, "1.0\tS of cereal crop residues"), 0)
                  .find("line 5: the S of cereal crop residues must be less than 1."),
              std::string::npos);
    EXPECT_NE(
        runWith(replaceLine(19, "x"), 0).find("line 19: the line does not start with a number"),
        std::string::npos);
    EXPECT_NE(
        runWith(replaceLine(20, "1.0"), 0)
            .find("line 20: the maximum D:A ratio must be greater than the minimum D:A ratio."),
        std::string::npos);
    EXPECT_NE(runWith(replaceLine(21, "0"), 0)
                  .find("line 21: the reference temperature of the Q10 coefficient must be greater "
                        "than 0."),
              std::string::npos);
    // S 0.9 on clay at 120 % reaches 1.08: the message names the S line and the texture line.
    std::string clay = replaceLine(5, "0.9");
    good = clay;
    EXPECT_NE(runWith(replaceLine(28, "120"), 2)
                  .find("line 5: the S of cereal crop residues adjusted for clay soil is 1 or more "
                        "(0.9 with the clay effect on S of 120 % on line 28); the model needs it "
                        "below 1."),
              std::string::npos);
    EXPECT_EQ(runWith(replaceLine(28, "120"), 0), "no error"); // sand is not adjusted
}

} // namespace
} // namespace orvek
