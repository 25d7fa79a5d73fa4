#include "RunFixture.h"

#include "basics/Text.h"
#include "formats/PageState.h"
#include "formats/ResultFiles.h"
#include "formats/SettingRecord.h"
#include "model/RunState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {
namespace {

using test::date;

TEST(ResultHeader, FourVariants) {
    EXPECT_EQ(resultFileHeader(true, false),
              "Simulated C and N mineralization dynamics\r\n"
              "C variables in Mg/ha; N variables in kg/ha; DAS: days after start.\r\n\r\n"
              "Date\tDAS\tSOM-C\tres-C\tttl-C\tnet-Nm\tttl-Nm\tttl-N\tres-C:N\tSOM-C:N\r\n");
    EXPECT_EQ(resultFileHeader(true, true), "Simulated C mineralization dynamics\r\n"
                                            "C variables in Mg/ha, DAS: days after start.\r\n\r\n"
                                            "Date\tDAS\tSOM-C\tres-C\tttl-C\r\n");
    EXPECT_EQ(resultFileHeader(false, false),
              "Simulated C and N mineralization dynamics.\r\n"
              "C variables in Mg/ha; N variables in kg/ha; MAS: months after start.\r\n\r\n"
              "Date\tMAS\tSOM-C\tres-C\tttl-C\tnet-Nm\tttl-Nm\tttl-N\tres-C:N\tSOM-C:N\r\n");
    EXPECT_EQ(resultFileHeader(false, true),
              "Simulated C mineralization dynamics.\r\n"
              "C variables in Mg/ha, MAS: months after start.\r\n\r\n"
              "Date\tMAS\tSOM-C\tres-C\tttl-C\r\n");
}

TEST(ResultRow, FixedDecimalsAndTrailingTab) {
    RunState run;
    run.carbonOnly = false;
    run.soil.somC = 50625;   // 50.625 rounds up
    run.soil.residueC = 4.9; // 0.0049 -> 0.00
    run.soil.cumulativeNetN = -0.04;
    run.soil.mineralN = 12.25;
    run.soil.totalN = 5102.5;
    run.soil.residueCN = 80;
    run.som.cn = 9.96;
    std::string row;
    appendDailyRow(row, 7, 38353, run);
    EXPECT_EQ(row, "38353\t7\t50.63\t0.00\t50.63\t0.0\t12.3\t5103\t80.0\t10.0\t\r\n");
    run.carbonOnly = true;
    row.clear();
    appendDailyRow(row, 1, 38353, run);
    EXPECT_EQ(row, "38353\t1\t50.63\t0.00\t50.63\t\r\n");
}

// Values the quick form hands on to the digit-by-digit one (midway points, values too large for
// it) in the middle of a row: the row keeps every value before and after them.
TEST(ResultRow, ValuesBesideOnesWrittenDigitByDigit) {
    RunState run;
    run.carbonOnly = false;
    run.soil.somC = 2675;            // 2.675: written 2.68 from its shortest form
    run.soil.residueC = 1e19;        // 1e16 Mg/ha, beyond the quick form
    run.soil.cumulativeNetN = -0.05; // -0.1
    run.soil.mineralN = 1e17;        // twenty characters, the widest allowed
    run.soil.totalN = 0.5;           // 1
    run.soil.residueCN = 1e-300;
    run.som.cn = -0.04; // no minus sign before 0.0
    std::string row;
    appendDailyRow(row, 12, 40000, run);
    EXPECT_EQ(row, "40000\t12\t2.68\t10000000000000000.00\t10000000000000002.00\t-0.1\t"
                   "100000000000000000.0\t1\t0.0\t0.0\t\r\n");
    // One character wider is refused.
    run.soil.mineralN = 1e18;
    EXPECT_THROW(appendDailyRow(row, 12, 40000, run), OrvekError);
}

TEST(ResultRow, NoNumberThatIsNotFinite) {
    RunState run;
    run.carbonOnly = false;
    run.soil.residueCN = std::numeric_limits<double>::quiet_NaN();
    std::string row;
    EXPECT_THROW(appendDailyRow(row, 1, 38353, run), OrvekError);
}

// A daily file from the start date, one row a day, SOM-C counting the days.
std::string dailyText(DateSerial start, int days) {
    std::string s = resultFileHeader(true, true);
    for (int k = 0; k < days; ++k) {
        s += std::to_string(start + k) + "\t" + std::to_string(k + 1) + "\t" + std::to_string(k) +
             ".00\t0.00\t" + std::to_string(k) + ".00\t\r\n";
    }
    return s;
}

TEST(MonthlySampling, TargetDayAndMasFromZero) {
    const DateSerial start = date(2004, 1, 15);
    const std::string monthly = monthlyFromDaily(dailyText(start, 70), start, 70, true);
    EXPECT_EQ(monthly, resultFileHeader(false, true) + std::to_string(start) +
                           "\t0\t0.00\t0.00\t0.00\t\r\n" + std::to_string(date(2004, 2, 15)) +
                           "\t1\t31.00\t0.00\t31.00\t\r\n" + std::to_string(date(2004, 3, 15)) +
                           "\t2\t60.00\t0.00\t60.00\t\r\n");
    // Rows after LastDAS are not read.
    EXPECT_EQ(monthlyFromDaily(dailyText(start, 70), start, 40, true).find("\t2\t"),
              std::string::npos);
}

TEST(MonthlySampling, StartAfterThe28thSamplesTheFirst) {
    const DateSerial start = date(2005, 1, 30);
    const std::string monthly = monthlyFromDaily(dailyText(start, 40), start, 40, true);
    EXPECT_EQ(monthly, resultFileHeader(false, true) + std::to_string(date(2005, 2, 1)) +
                           "\t0\t2.00\t0.00\t2.00\t\r\n" + std::to_string(date(2005, 3, 1)) +
                           "\t1\t30.00\t0.00\t30.00\t\r\n");
    // Ending before the next first of the month: the header alone, and so is its memo.
    const std::string empty = monthlyFromDaily(dailyText(start, 2), start, 2, true);
    EXPECT_EQ(empty, resultFileHeader(false, true));
    EXPECT_EQ(memoFromResult(empty, start + 1), resultFileHeader(false, true));
}

TEST(Memo, DatesWithoutLeadingZerosAndStopAtEndDate) {
    EXPECT_EQ(memoDate(date(2004, 3, 5)), "3/5/04");
    EXPECT_EQ(memoDate(date(2005, 1, 1)), "1/1/05");
    EXPECT_EQ(memoDate(date(2010, 12, 31)), "12/31/10");
    EXPECT_EQ(memoDate(date(1999, 7, 4)), "7/4/99");
    const DateSerial start = date(2004, 3, 5);
    const std::string memo = memoFromResult(dailyText(start, 5), start + 1);
    EXPECT_EQ(memo, resultFileHeader(true, true) + "3/5/04\t1\t0.00\t0.00\t0.00\t\r\n" +
                        "3/6/04\t2\t1.00\t0.00\t1.00\t\r\n");
}

// The derived files put together row by row as the daily rows are written: the same bytes as
// those made from the finished daily file, in both modes, from starts before and after the 28th,
// across the turn of a century and with negative values.
TEST(DerivedRows, SameBytesAsTheFilesMadeFromTheWholeDailyFile) {
    for (const bool carbonOnly : {false, true}) {
        for (const DateSerial start : {date(1999, 11, 14), date(1999, 12, 31), date(2003, 1, 29)}) {
            SCOPED_TRACE(::testing::Message() << carbonOnly << " " << start);
            RunState run;
            run.carbonOnly = carbonOnly;
            const int days = 500;
            std::string daily = resultFileHeader(true, carbonOnly);
            DerivedResultRows derived(start, carbonOnly, days);
            for (int das = 1; das <= days; ++das) {
                run.soil.somC = 26000 - 3.7 * das;
                run.soil.residueC = 1500 * std::cos(das * 0.01);
                run.soil.cumulativeNetN = -0.37 * das;
                run.soil.mineralN = 40 - 0.13 * das;
                run.soil.totalN = 2500 + das;
                run.soil.residueCN = 20 + das % 17;
                run.som.cn = 10.5;
                const size_t before = daily.size();
                appendDailyRow(daily, das, start + das - 1, run);
                derived.add(start + das - 1, std::string_view(daily).substr(before));
            }
            const DateSerial end = start + days - 1;
            const std::string monthly = monthlyFromDaily(daily, start, days, carbonOnly);
            EXPECT_EQ(derived.dailyMemo, memoFromResult(daily, end));
            EXPECT_EQ(derived.monthly, monthly);
            EXPECT_EQ(derived.monthlyMemo, memoFromResult(monthly, end));
            EXPECT_GT(derived.monthly.size(), resultFileHeader(false, carbonOnly).size() + 15 * 20);
        }
    }
}

TEST(SettingRecord, CarbonAndNitrogenMode) {
    test::RunFixture f;
    PageState& p = f.page;
    p.weatherFileName = "site.wth";
    p.startDate = date(2005, 1, 1);
    p.endDate = date(2006, 12, 31);
    p.soilCText = "12.5";
    p.bulkDensityText = "1.35";
    p.depthText = "30";
    p.nminText = "40";
    p.textureIndex = 1;
    RunState run;
    run.carbonOnly = false;
    run.events = {{1, 2500, 80, date(2005, 9, 15)}, {6, 3000, 20.5, date(2006, 10, 1)}};
    EXPECT_EQ(settingRecord(p, run, f.env.formats),
              "Settings for the simulation:\r\n"
              "  Carbon and nitrogen\r\n"
              "  Weather file: site.wth\r\n"
              "  Simulation starts on: 1/1/05\r\n"
              "  Simulation ends on: 12/31/06\r\n"
              "  Substrate input events are set directly on the front page\r\n"
              "  Input events (#, date, substrate type (code), C quantity (Mg/ha), C:N ratio\r\n"
              "    1, 9/15/05, Cereal crop residues (1), 2.5, 80\r\n"
              "    2, 10/1/06, Animal manures (6), 3, 20.5\r\n"
              "  Soil properties:\r\n"
              "    Soil C content (g/kg): 12.5\r\n"
              "    Soil bulk density (g/cm^3): 1.35\r\n"
              "    Soil depth to simulate (cm): 30\r\n"
              "    Initial Soil Nmin (kg/ha): 40\r\n"
              "    Soil texture: Loam\r\n"
              "Run on 1/2/26, 12:00:00\r\n");
}

TEST(SettingRecord, CarbonOnlyWorkbookModeWithTheLocaleSeparator) {
    test::RunFixture f;
    PageState& p = f.page;
    p.carbonOnly = true;
    p.eventsOnPanel = false;
    p.eventsFileName = "Input events-1.xls";
    p.textureIndex = 2;
    RunState run;
    run.carbonOnly = true;
    run.events = {{2, 1250, 0, date(2005, 3, 2)}};
    f.env.formats.decimalSeparator = ',';
    const std::string record = settingRecord(p, run, f.env.formats);
    EXPECT_NE(record.find("\r\n  Carbon only\r\n"), std::string::npos);
    EXPECT_NE(record.find("  Substrate input events are set in file 'Input events-1.xls'\r\n"),
              std::string::npos);
    EXPECT_NE(record.find("  Input events: #, date, substrate type (code), C amount (Mg/ha)\r\n"
                          "    1, 3/2/05, Cereal crop roots (2), 1,25\r\n  Soil properties:"),
              std::string::npos);
    EXPECT_EQ(record.find("Nmin"), std::string::npos);
    EXPECT_NE(record.find("    Soil texture: Clay\r\n"), std::string::npos);
}

// The quick form of fixed-point writing gives the digit-by-digit form's text for every value:
// the result files' numbers stay what they were. Random values of every size the files hold,
// values at and next to a midway point of their last decimal, negatives rounding to zero, and
// values too large or not finite for the quick form.
TEST(NumberText, FixedWritingMatchesTheDigitByDigitForm) {
    const auto byDigits = [](double v, int d) {
        std::string s;
        appendFixedByDigits(s, v, d);
        return s;
    };
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-12, 16);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.125,
                                  -0.125,
                                  2.675,
                                  1.005,
                                  0.045,
                                  50.625,
                                  9.995,
                                  5102.5,
                                  -0.05,
                                  -0.049,
                                  1e15,
                                  4.5e15,
                                  1e22,
                                  1e300,
                                  5e-324,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    for (int i = 0; i < 100000; ++i) {
        values.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
    }
    // Midway points of 0 to 3 decimals and their neighbours a few units in the last place off.
    for (int i = 0; i < 20000; ++i) {
        const int d = i % 4;
        const double midway = (static_cast<double>(rng() % 2000000) + 0.5) / std::pow(10.0, d);
        double v = midway;
        for (int k = 0; k < 3; ++k) {
            v = std::nextafter(v, 0.0);
        }
        for (int k = 0; k < 7; ++k) {
            values.push_back(v);
            values.push_back(-v);
            v = std::nextafter(v, 1e300);
        }
    }
    for (const double v : values) {
        for (int d = 0; d <= 9; ++d) {
            std::string quick;
            appendFixed(quick, v, d);
            ASSERT_EQ(quick, byDigits(v, d)) << v << " with " << d << " decimals";
        }
    }
}

TEST(NumberText, FixedAndGeneralForms) {
    EXPECT_EQ(formatFixed(0.5, 2), "0.50");
    EXPECT_EQ(formatFixed(2.675, 2), "2.68");
    EXPECT_EQ(formatFixed(-0.04, 1), "0.0");
    EXPECT_EQ(formatFixed(-0.05, 1), "-0.1");
    EXPECT_EQ(formatFixed(9.995, 2), "10.00");
    EXPECT_EQ(formatFixed(5102.5, 0), "5103");
    EXPECT_EQ(formatFixed(1e6, 1), "1000000.0");
    EXPECT_EQ(formatGeneral(12.5 * 1.35 * 30 / 10), "50.625");
    EXPECT_EQ(formatGeneral(10 * 1.3 * 20 / 10), "26");
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatGeneral(0.0001), "0.0001");
    EXPECT_EQ(formatGeneral(1.5e-6), "1.5E-6");
    EXPECT_EQ(formatGeneral(-2.5, ','), "-2,5");
    EXPECT_EQ(formatGeneral(1e15), "1E15");
    EXPECT_EQ(formatGeneral(123456789012345.0), "123456789012345");
}

} // namespace
} // namespace orvek
