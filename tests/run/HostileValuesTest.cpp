// Values far outside anything a soil holds, and parameters at the edge of what the model
// accepts: every run ends with right numbers or a clear message, never with a silent zero, a
// number hundreds of digits long, or a loop that does not end.

#include "RunFixture.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "model/Weather.h"
#include "run/RunPipeline.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace orvek {
namespace {

using test::date;

// Ninety days of constant weather, one row checked.
struct HostileRun : test::RunFixture {
    HostileRun() {
        useDailyWeather("site.wth", test::constantDailyWeather(2005, 1, 90, 20, 10));
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2005, 3, 31);
        setRow(1, 1, "4", "90", date(2005, 1, 10));
    }

    // Replaces lines of "Parameter.Orvek" (numbered as in the file) by their new numbers.
    void setParameters(const std::vector<std::pair<int, std::string>>& lines) {
        std::vector<std::string> file = splitLines(folder.read("Parameter.Orvek"));
        for (const auto& [number, value] : lines) {
            std::string& line = file[static_cast<size_t>(number - 1)];
            line = value + line.substr(line.find('\t'));
        }
        std::string text;
        for (const std::string& l : file) {
            text += l + "\r\n";
        }
        folder.write("Parameter.Orvek", text);
    }

    // The values of a column (0 = Date) of the daily result file.
    std::vector<double> column(size_t index) const {
        std::vector<double> values;
        std::vector<std::string> lines = splitLines(result("ResultDaily.~"));
        for (size_t k = 4; k < lines.size(); ++k) {
            size_t start = 0;
            for (size_t c = 0; c < index; ++c) {
                start = lines[k].find('\t', start) + 1;
            }
            double v = 0;
            EXPECT_TRUE(
                parseDouble(lines[k].substr(start, lines[k].find('\t', start) - start), '.', v))
                << lines[k];
            values.push_back(v);
        }
        return values;
    }
};

// A run that does not end kills the test binary after a minute instead of stalling the suite.
class HangGuard {
public:
    HangGuard() { ::alarm(60); }
    ~HangGuard() { ::alarm(0); }
};

constexpr size_t kMineralNColumn = 6;

TEST(NitrogenLimitation, EndsWhenRoundingCannotMoveTheRatios) {
    // A D:A range one unit in the last place wide: its 1 % steps vanish in rounding, so only a
    // count can end the adjustments. No mineral N, a large and N-poor addition.
    HostileRun run;
    run.setParameters({{17, "10"}, {18, "10"}, {19, "1.5"}, {20, "1.5000000000000002"}});
    run.page.nminText = "0";
    run.setRow(1, 1, "50", "200", date(2005, 1, 10));
    HangGuard guard;
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    // At most the hundred adjustments and the pause, on each of the 80 days after the event.
    EXPECT_LE(out.cohortSteps, 80u * 102u);
    for (double n : run.column(kMineralNColumn)) {
        EXPECT_GE(n, 0);
    }
}

TEST(NitrogenLimitation, MicrobialCNStaysInItsRange) {
    // The microbial C:N falls from 10 towards 5 while the D:A ratio cannot move; it must stop at
    // 5 rather than pass zero and turn the uptake into a release of 1e16 kg N/ha.
    HostileRun run;
    run.setParameters({{17, "10"}, {18, "5"}, {19, "1.5"}, {20, "1.5000000000000002"}});
    run.page.nminText = "0";
    run.setRow(1, 1, "50", "200", date(2005, 1, 10));
    HangGuard guard;
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    for (double n : run.column(kMineralNColumn)) {
        EXPECT_GE(n, 0);
        EXPECT_LT(n, 50); // what SOM releases in 90 days, at most
    }
}

struct ValueCase {
    const char* name;
    std::function<void(HostileRun&)> set;
    std::string message;
};

TEST(HostileValues, OverflowingInputsFailTheChecksWithTheConversionMessage) {
    const ValueCase cases[] = {
        {"soil C and bulk density 1e200",
         [](HostileRun& r) {
             r.page.soilCText = "1e200";
             r.page.bulkDensityText = "1e200";
         },
         "'INF' is not a valid floating point value"},
        {"a stock beyond kg C/ha", [](HostileRun& r) { r.page.soilCText = "1e306"; },
         "'2.6E306' is not a valid floating point value"},
        {"C input 1e306", [](HostileRun& r) { r.page.rows[0].cText = "1e306"; },
         "'1e306' is not a valid floating point value"},
        {"C:N whose N is no number",
         [](HostileRun& r) {
             r.page.rows[0].cText = "1e300";
             r.page.rows[0].cnText = "1e-300";
         },
         "'1e-300' is not a valid floating point value"},
    };
    for (const ValueCase& c : cases) {
        HostileRun run;
        c.set(run);
        const RunOutcome out = run.run();
        EXPECT_FALSE(out.ok) << c.name;
        EXPECT_EQ(out.message, c.message) << c.name;
        EXPECT_FALSE(run.folder.exists("ResultDaily.~")) << c.name;
    }
}

TEST(HostileValues, NegativeSoilPropertiesFailRightAfterTheSoilCheck) {
    const ValueCase cases[] = {
        {"soil C", [](HostileRun& r) { r.page.soilCText = "-10"; }, ""},
        {"bulk density", [](HostileRun& r) { r.page.bulkDensityText = "-1.3"; }, ""},
        {"depth", [](HostileRun& r) { r.page.depthText = "-20"; }, ""},
        {"Nmin", [](HostileRun& r) { r.page.nminText = "-5"; }, ""},
        // Before the events' checks: row 1 is also dated outside the period here.
        {"before the event checks",
         [](HostileRun& r) {
             r.page.depthText = "-20";
             r.page.rows[0].date = date(2004, 1, 1);
         },
         ""},
    };
    for (const ValueCase& c : cases) {
        HostileRun run;
        c.set(run);
        const RunOutcome out = run.run();
        EXPECT_FALSE(out.ok) << c.name;
        EXPECT_EQ(out.message, "Soil properties must not be negative.") << c.name;
    }
    HostileRun carbonOnly; // Nmin takes no part in C only mode
    carbonOnly.page.carbonOnly = true;
    carbonOnly.page.nminText = "-5";
    EXPECT_TRUE(carbonOnly.run().ok);
    HostileRun empty; // an empty field is still the incomplete settings, checked first
    empty.page.soilCText = "-1";
    empty.page.depthText = "";
    EXPECT_EQ(empty.run().message, "Settings for soil properties not complete yet!");
}

TEST(HostileValues, ValuesTooWideForAResultFileEndTheRunNamingTheDay) {
    {
        HostileRun run; // its N, 4e303 kg/ha, enters on the event's day
        run.page.rows[0].cnText = "1e-300";
        EXPECT_THROW(
            {
                try {
                    run.run();
                } catch (const OrvekError& e) {
                    EXPECT_STREQ(e.what(), "The simulation gave a value too large to write on "
                                           "1/10/2005; check the model parameters and the inputs "
                                           "of the run.");
                    throw;
                }
            },
            OrvekError);
        EXPECT_FALSE(run.folder.exists("ResultDaily.~"));
    }
    {
        HostileRun run; // mineral N of 1e308 kg/ha from the first day
        run.page.nminText = "1e308";
        try {
            run.run();
            ADD_FAILURE() << "the run wrote a 310-digit number";
        } catch (const OrvekError& e) {
            EXPECT_NE(std::string(e.what()).find("too large to write on 1/1/2005;"),
                      std::string::npos)
                << e.what();
        }
    }
    HostileRun wide; // 20 characters are still written
    wide.page.nminText = "123456789012345678";
    wide.page.rows[0].checked = false;
    ASSERT_TRUE(wide.run().ok);
    EXPECT_NE(wide.result("ResultDaily.~").find("\t123456789012345680.0\t"), std::string::npos);
    HostileRun wider; // 21 are not
    wider.page.nminText = "1234567890123456789";
    wider.page.rows[0].checked = false;
    EXPECT_THROW(wider.run(), OrvekError);
}

TEST(HostileValues, MessagesQuoteAtMostSixtyCharactersOfTheOffendingText) {
    // A ten-million-digit temperature: the message names the file and line and a short quote.
    HostileRun run;
    std::string weather = test::constantDailyWeather(2005, 1, 90, 20, 10);
    const size_t line6 = weather.find("2005\t2\t");
    weather.replace(line6, std::string("2005\t2\t20.0").size(),
                    "2005\t2\t" + std::string(10'000'000, '7'));
    run.folder.write("site.wth", weather);
    try {
        run.run();
        ADD_FAILURE() << "the run read the number";
    } catch (const OrvekError& e) {
        const std::string expected = "File \"" + run.folder.file("site.wth") + "\", line 6: '" +
                                     std::string(60, '7') +
                                     "...' is not a valid floating point value";
        EXPECT_EQ(std::string(e.what()), expected);
    }
    // Control characters and bytes that are no UTF-8 are shown, not sent to the message box.
    EXPECT_EQ(invalidFloatMessage("1\x1B[2J\xFF"),
              "'1\\x1B[2J\\xFF' is not a valid floating point value");
    EXPECT_EQ(quotedText(std::string(59, 'a') + "\xC3\xA9" + "b"),
              std::string(59, 'a') + "\xC3\xA9...");
}

TEST(HostileValues, MonthlyWeatherErrorsNameTheUsersFileAndLine) {
    HostileRun run;
    std::string monthly = "Test site\r\nMonthly weather\r\nColumns\r\nYEAR\tMONTH\tTMAX\tTMIN\r\n";
    for (int m = 1; m <= 12; ++m) {
        monthly += "2005\t" + std::to_string(m) + (m == 3 ? "\t2O.0" : "\t20.0") + "\t10.0\r\n";
    }
    run.folder.write("site-monthly.wth", monthly);
    run.page.weatherFileName = "site-monthly.wth";
    run.page.dailyWeather = false;
    try {
        run.run();
        ADD_FAILURE() << "the run read March";
    } catch (const OrvekError& e) {
        EXPECT_EQ(std::string(e.what()), "File \"" + run.folder.file("site-monthly.wth") +
                                             "\", line 7: '2O.0' is not a valid floating point "
                                             "value");
    }
    test::RunFixture empty; // a monthly file without data
    empty.folder.write("none.wth", "a\r\nb\r\nc\r\nd\r\n");
    empty.page.weatherFolder = empty.folder.path();
    empty.page.weatherFileName = "none.wth";
    empty.page.dailyWeather = false;
    try {
        empty.run();
        ADD_FAILURE() << "the run had no weather";
    } catch (const OrvekError& e) {
        EXPECT_EQ(std::string(e.what()), "File \"" + empty.folder.file("none.wth") +
                                             "\" holds no weather data after its four header "
                                             "lines.");
    }
}

} // namespace
} // namespace orvek
