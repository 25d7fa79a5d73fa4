#include "TestFolder.h"

#include "basics/Errors.h"
#include "model/Weather.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

const std::string kHeader = "h1\r\nh2\r\nh3\r\nYEAR\tDAY\tTMAX\tTMIN\r\n";

std::string monthlyLines(int year, int month, int count) {
    std::string s;
    for (int k = 0; k < count; ++k) {
        s += std::to_string(year) + "\t" + std::to_string(month) + "\t10.5\t2.5\t40.0\r\n";
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    return s;
}

DateSerial ymd(int y, int m, int d) {
    DateSerial out = 0;
    tryEncodeDate(y, m, d, out);
    return out;
}

TEST(WeatherKind, DailyAndMonthlyDetection) {
    // A daily file starting on 25 December: its 13th line is in the next year, but 359 > 12.
    const WeatherFile lateDecember =
        WeatherFile::parse("d", test::constantDailyWeather(2004, 360, 30, 1, -3));
    EXPECT_EQ(detectWeatherKind(lateDecember), WeatherKind::Daily);
    const WeatherFile daily =
        WeatherFile::parse("d", test::constantDailyWeather(2004, 1, 30, 1, -3));
    EXPECT_EQ(detectWeatherKind(daily), WeatherKind::Daily);
    const WeatherFile monthly = WeatherFile::parse("m", kHeader + monthlyLines(2004, 1, 24));
    EXPECT_EQ(detectWeatherKind(monthly), WeatherKind::Monthly);
    const WeatherFile monthlyFromMay = WeatherFile::parse("m", kHeader + monthlyLines(2004, 5, 24));
    EXPECT_EQ(detectWeatherKind(monthlyFromMay), WeatherKind::Monthly);
    // Fewer than 13 lines: the 13th year reads as 0, so small day numbers mean monthly data...
    const WeatherFile shortFile =
        WeatherFile::parse("s", test::constantDailyWeather(2004, 1, 5, 1, -3));
    EXPECT_EQ(detectWeatherKind(shortFile), WeatherKind::Monthly);
    // ...while day numbers above 12 can only be days.
    const WeatherFile shortLate =
        WeatherFile::parse("s", test::constantDailyWeather(2004, 100, 5, 1, -3));
    EXPECT_EQ(detectWeatherKind(shortLate), WeatherKind::Daily);
}

TEST(WeatherScan, PeriodOfDailyAndMonthlyFiles) {
    test::TestFolder f;
    f.write("d.wth", test::constantDailyWeather(2004, 360, 30, 1, -3) + "\r\n\r\n");
    const WeatherInfo d = scanWeatherFile(f.file("d.wth"));
    EXPECT_EQ(d.kind, WeatherKind::Daily);
    EXPECT_EQ(d.first, ymd(2004, 12, 25));
    EXPECT_EQ(d.last, ymd(2005, 1, 23)); // trailing empty lines change nothing
    f.write("m.wth",
            kHeader + monthlyLines(2003, 11, 16) + "0\t0\t0\t0\r\n" + monthlyLines(2010, 1, 3));
    const WeatherInfo m = scanWeatherFile(f.file("m.wth"));
    EXPECT_EQ(m.kind, WeatherKind::Monthly);
    EXPECT_EQ(m.first, ymd(2003, 11, 1));
    EXPECT_EQ(m.last, ymd(2005, 2, 28)); // the zero line ends the data
}

TEST(WeatherScan, MilwaukeeSamples) {
    const WeatherInfo d = scanWeatherFile(test::dataDir() + "milwaukee_1991_2020_daily.wth");
    EXPECT_EQ(d.kind, WeatherKind::Daily);
    EXPECT_EQ(d.first, ymd(1991, 1, 1));
    EXPECT_EQ(d.last, ymd(2020, 12, 31));
    const WeatherInfo m = scanWeatherFile(test::dataDir() + "milwaukee_1991_2020_monthly.wth");
    EXPECT_EQ(m.kind, WeatherKind::Monthly);
    EXPECT_EQ(m.last, ymd(2020, 12, 31));
}

TEST(WeatherExpansion, FebruaryOfALeapYearBecomes29Days) {
    const WeatherFile m = WeatherFile::parse("m", kHeader + "2004 2  3.5 -4.0 extra\r\n");
    std::string daily;
    ASSERT_TRUE(expandMonthlyWeather(m, daily));
    const WeatherFile d = WeatherFile::parse("d", daily);
    ASSERT_EQ(d.size(), 29u);
    EXPECT_EQ(d.dayOrMonth(0), 32);
    EXPECT_EQ(d.dayOrMonth(28), 60);
    EXPECT_EQ(d.rest(0), "  3.5 -4.0 extra"); // the rest of the line, separator included
    EXPECT_TRUE(daily.starts_with(kHeader));
    EXPECT_NE(daily.find("\r\n2004\t60  3.5 -4.0 extra\r\n"), std::string::npos);
}

TEST(WeatherExpansion, MonthOutsideTheYearIsRefused) {
    const WeatherFile m =
        WeatherFile::parse("m", kHeader + monthlyLines(2004, 12, 1) + "2005\t13\t1\t1\r\n");
    std::string daily;
    EXPECT_FALSE(expandMonthlyWeather(m, daily));
}

TEST(WeatherFileErrors, NameTheFileAndLine) {
    const auto message = [](const std::string& content) {
        try {
            scanWeatherFile(WeatherFile::parse("site.wth", content));
        } catch (const OrvekError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(kHeader + "2004\tx\t1\t2\r\n"),
              "File \"site.wth\", line 5: 'x' is not a valid integer value");
    EXPECT_EQ(message(kHeader + "2004\t1\t1\t2\r\n2004\t2\tabc\t2\r\n"),
              "File \"site.wth\", line 6: 'abc' is not a valid floating point value");
    EXPECT_EQ(message(kHeader + "2004\t1\t1\r\n"),
              "File \"site.wth\", line 5: '(nothing)' is not a valid floating point value");
    EXPECT_EQ(message(kHeader + "2005\t366\t1\t2\r\n"),
              "File \"site.wth\", line 5: day 366 of the year 2005 does not exist");
    EXPECT_EQ(message("h1\r\nh2\r\n"),
              "File \"site.wth\" holds no weather data after its four header lines.");
    // A header that lost a line: the first day stands where the fourth header line belongs.
    const std::string days = "2004\t1\t1\t2\r\n2004\t2\t1\t2\r\n2004\t3\t1\t2\r\n";
    EXPECT_EQ(message("h1\r\nh2\r\nh3\r\n" + days),
              "File \"site.wth\", line 4: weather data stand where the fourth header line "
              "belongs; a weather file starts with four header lines");
    EXPECT_EQ(message(kHeader + days), "no error");
}

TEST(WeatherFileErrors, MissingFile) {
    try {
        WeatherFile::load("/nonexistent/x.wth");
        FAIL();
    } catch (const OrvekError& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot open file \"/nonexistent/x.wth\". No such file or directory");
    }
}

} // namespace
} // namespace orvek
