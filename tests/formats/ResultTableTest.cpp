#include "formats/ResultTable.h"

#include "basics/DateSerial.h"
#include "formats/ResultFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek {
namespace {

constexpr DateSerial kStart = 38353; // 1 January 2005

std::string header(bool daily, bool carbonOnly) {
    return resultFileHeader(daily, carbonOnly);
}

// A C & N row whose values tell the row apart: SOM-C = 50 + n / 100, SOM-C:N = 10 + n.
std::string cnRow(DateSerial date, int n) {
    return std::to_string(date) + "\t" + std::to_string(n) + "\t" + std::to_string(50 + n) +
           ".25\t1.00\t51.25\t" + std::to_string(n) + ".5\t40.0\t5103\t0.0\t" +
           std::to_string(10 + n) + ".0\t\r\n";
}

std::string carbonRow(DateSerial date, int n) {
    return std::to_string(date) + "\t" + std::to_string(n) + "\t" + std::to_string(n) +
           ".00\t0.50\t" + std::to_string(n) + ".50\t\r\n";
}

DateSerial encodeDate(int year, int month, int day) {
    DateSerial d = 0;
    EXPECT_TRUE(tryEncodeDate(year, month, day, d));
    return d;
}

ResultTableRequest request(bool daily, bool carbonOnly, DateSerial end) {
    return ResultTableRequest{daily, carbonOnly, kStart, end};
}

TEST(ResultTable, DailyRowsStopAfterTheRowDatedEndDate) {
    std::string text = header(true, false);
    for (int n = 1; n <= 10; ++n) {
        text += cnRow(kStart + n - 1, n);
    }
    const ResultTable t = parseResultTable(text, "ResultDaily.~", request(true, false, kStart + 5));
    EXPECT_TRUE(t.error.empty()) << t.error;
    ASSERT_EQ(t.rows(), 6u);
    EXPECT_EQ(t.valueColumns, 8);
    EXPECT_EQ(t.count.front(), 1);
    EXPECT_EQ(t.date.front(), kStart); // DAS 1 lies on the start date
    EXPECT_EQ(t.date.back(), kStart + 5);
    EXPECT_DOUBLE_EQ(t.values[kSomC][2], 53.25);
    EXPECT_DOUBLE_EQ(t.values[kNetNm][2], 3.5);
    EXPECT_DOUBLE_EQ(t.values[kTotalN][2], 5103);
    EXPECT_DOUBLE_EQ(t.values[kSomCN][5], 16.0);
}

TEST(ResultTable, DailyRowsEndingBeforeEndDateAreReadToTheEndOfTheFile) {
    std::string text = header(true, true);
    for (int n = 1; n <= 4; ++n) {
        text += carbonRow(kStart + n - 1, n);
    }
    const ResultTable t =
        parseResultTable(text, "ResultDaily.~", request(true, true, kStart + 100));
    EXPECT_TRUE(t.error.empty());
    ASSERT_EQ(t.rows(), 4u);
    EXPECT_EQ(t.valueColumns, 3);
    EXPECT_DOUBLE_EQ(t.values[kTotalC][3], 4.5);
    EXPECT_TRUE(t.values[kNetNm].empty());
}

TEST(ResultTable, MonthlyRowsStandAtTheirOwnDatesAndStopOnlyOnAnExactMatch) {
    // The 15th of each month from January 2005 to December 2034: 360 rows, months of 28 to 31
    // days.
    std::string text = header(false, true);
    std::vector<DateSerial> dates;
    for (int m = 0; m < 360; ++m) {
        dates.push_back(encodeDate(2005 + m / 12, 1 + m % 12, 15));
        text += carbonRow(dates.back(), m);
    }
    ResultTable t = parseResultTable(text, "ResultMonthly.~", request(false, true, dates.back()));
    EXPECT_TRUE(t.error.empty()) << t.error;
    ASSERT_EQ(t.rows(), 360u);
    for (size_t m = 0; m < dates.size(); ++m) {
        ASSERT_EQ(t.date[m], dates[m]) << m; // thirty days a month would be months off by now
    }
    // The row dated EndDate is the last one read; an end date between rows reads on.
    t = parseResultTable(text, "ResultMonthly.~", request(false, true, dates[3]));
    ASSERT_EQ(t.rows(), 4u);
    EXPECT_EQ(t.count[3], 3);
    t = parseResultTable(text, "ResultMonthly.~", request(false, true, dates[3] + 1));
    EXPECT_EQ(t.rows(), 360u);
    // A monthly row whose date cannot be read is refused like any other bad value.
    t = parseResultTable(header(false, true) + carbonRow(dates[0], 0) + "1/2/05\t1\t1\t1\t1\t\r\n",
                         "ResultMonthly.~", request(false, true, dates[3]));
    EXPECT_EQ(t.rows(), 1u);
    EXPECT_EQ(t.error, "File \"ResultMonthly.~\", line 6: Invalid numeric input");
}

TEST(ResultTable, FilesWithoutDataRowsGiveNoRowsAndNoError) {
    for (const std::string& text :
         {std::string(), header(false, false), std::string("Title\r\nUnits\r\n"),
          header(true, false) + "\r\n  \r\n"}) {
        const ResultTable t = parseResultTable(text, "ResultMonthly.~", request(false, false, 0));
        EXPECT_EQ(t.rows(), 0u);
        EXPECT_TRUE(t.error.empty()) << t.error;
    }
}

TEST(ResultTable, LineFeedsAloneAndAMissingFinalLineBreakAreAccepted) {
    std::string text = "T\nU\n\nDate\tDAS\tSOM-C\tres-C\tttl-C\n38353\t1\t1.00\t0.00\t1.00\t\n"
                       "38354\t2\t2.00\t0.00\t2.00";
    const ResultTable t = parseResultTable(text, "x", request(true, true, kStart + 10));
    EXPECT_TRUE(t.error.empty()) << t.error;
    ASSERT_EQ(t.rows(), 2u);
    EXPECT_DOUBLE_EQ(t.values[kSomC][1], 2.0);
}

TEST(ResultTable, ABadRowKeepsTheRowsBeforeItAndNamesTheFileAndLine) {
    const std::string good = header(true, false) + cnRow(kStart, 1) + cnRow(kStart + 1, 2);
    const std::string bad[] = {
        "38355\t3\t50.00\tabc\t1\t1\t1\t1\t1\t1\t\r\n", // a value that is no number
        "38355\t3\t50.00\t1.0\t1\r\n",                  // values missing (truncated row)
        "38355\t3.5\t1\t1\t1\t1\t1\t1\t1\t1\r\n",       // a count that is not whole
        "38355\t3\tnan\t1\t1\t1\t1\t1\t1\t1\r\n",       // not finite
        "38355\t3\t1e999\t1\t1\t1\t1\t1\t1\t1\r\n",     // out of range
        "38355\t99999999999\t1\t1\t1\t1\t1\t1\t1\t1\r\n",
        "no tab at all\r\n"};
    for (const std::string& row : bad) {
        const ResultTable t = parseResultTable(good + row + cnRow(kStart + 3, 4), "ResultDaily.~",
                                               request(true, false, kStart + 10));
        EXPECT_EQ(t.rows(), 2u) << row;
        EXPECT_EQ(t.error, "File \"ResultDaily.~\", line 7: Invalid numeric input") << row;
    }
}

TEST(ResultTable, AFileOfTheOtherModeIsRefusedAtItsFirstRow) {
    const std::string text = header(true, true) + carbonRow(kStart, 1);
    const ResultTable t = parseResultTable(text, "ResultDaily.~", request(true, false, kStart));
    EXPECT_EQ(t.rows(), 0u);
    EXPECT_FALSE(t.error.empty());
}

TEST(ResultTable, AMissingFileIsReportedWithoutRows) {
    const ResultTable t =
        readResultTable("/nonexistent-folder/ResultDaily.~", request(true, true, 0));
    EXPECT_EQ(t.rows(), 0u);
    EXPECT_NE(t.error.find("Cannot open file \"/nonexistent-folder/ResultDaily.~\""),
              std::string::npos)
        << t.error;
}

} // namespace
} // namespace orvek
