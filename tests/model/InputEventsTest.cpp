// Reading back "InputEvents.~": its layout, the checks of its events and hostile content.

#include "RunFixture.h"

#include "model/Events.h"
#include "model/RunState.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using test::date;

RunState runFor(bool carbonOnly) {
    RunState run;
    run.carbonOnly = carbonOnly;
    run.startDate = date(2005, 1, 1);
    run.endDate = date(2006, 12, 31);
    return run;
}

std::string file(const std::vector<std::string>& lines) {
    std::string s = inputEventsHeading();
    for (const std::string& l : lines) {
        s += l + "\r\n";
    }
    return s;
}

TEST(InputEvents, LayoutOfTheWorkingFile) {
    std::string s = inputEventsHeading();
    appendInputEventLine(s, 1, 3, 15, 2005, 2, 2.5, 80, true);
    appendInputEventLine(s, 2, 10, 1, 2006, 6, 1.2345, 0, false);
    EXPECT_EQ(s, "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n"
                 "1\t3\t15\t2005\t2\t2.500\t80.0\r\n"
                 "2\t10\t1\t2006\t6\t1.235\r\n");
}

TEST(InputEvents, ReadBackInBothModes) {
    RunState cn = runFor(false);
    readInputEvents(file({"1\t3\t15\t2005\t2\t2.500\t80.0", "2 10 1 2006 6 1.200 15.5", ""}), cn);
    ASSERT_FALSE(cn.error) << cn.message;
    ASSERT_EQ(cn.events.size(), 2u);
    EXPECT_EQ(cn.events[0].type, 2);
    EXPECT_DOUBLE_EQ(cn.events[0].cAmount, 2500);
    EXPECT_DOUBLE_EQ(cn.events[1].cn, 15.5);
    EXPECT_EQ(cn.events[1].date, date(2006, 10, 1));
    RunState c = runFor(true);
    readInputEvents(file({"1\t1\t1\t2005\t1\t0.500"}), c); // six values in C only mode
    ASSERT_FALSE(c.error) << c.message;
    EXPECT_EQ(c.events.size(), 1u);
}

TEST(InputEvents, ChecksAndTheirMessages) {
    const char* incorrect = "Input incorrect. Check the input events file and try again";
    const struct {
        std::vector<std::string> lines;
        const char* message;
    } cases[] = {
        {{}, incorrect}, // only the heading: the workbook's first data row was empty
        {{"1\t3\t15\t2005\t2\t2.500"}, incorrect},       // C:N missing in C & N
        {{"1\t13\t1\t2005\t2\t2.500\t80.0"}, incorrect}, // month 13
        {{"1\t2\t30\t2005\t2\t2.500\t80.0"}, incorrect}, // 30 February
        {{"0\t0\t0\t0\t0\t0\t0"}, incorrect},            // a line of zeros
        {{"1\t2\t1\t2005\t7\t2.500\t80.0"}, incorrect},  // no substrate type 7
        {{"1\t2\t1\t2005\t1\t-2.500\t80.0"}, incorrect}, // negative C
        {{"1\t2\t1\t2005\t1\t2.500\t0.0"}, incorrect},   // C:N of 0
        {{"2\t2\t1\t2005\t1\t2.500\t80.0"}, incorrect},  // numbering starts at 1
        {{"1\t2\t1\t2005\t1\t2.5\t80", "1\t3\t1\t2005\t1\t2.5\t80"}, incorrect}, // repeated
        {{"501\t2\t1\t2005\t1\t2.5\t80"}, incorrect},
        {{"1\t2\t1\t2005\t1\tabc\t80"}, incorrect},
        {{"1\t2\t1\t99999999999\t1\t2.5\t80"}, incorrect},
        {{"1\t12\t31\t2004\t1\t2.5\t80"}, "First input must not set before starting date!"},
        {{"1\t3\t1\t2005\t1\t2.5\t80", "2\t2\t1\t2005\t1\t2.5\t80"},
         "Input events must be in the chronological order from early to recent events!"},
        {{"1\t1\t1\t2007\t1\t2.5\t80"},
         "Dates of input events set beyond the ending date of the simulation!"},
    };
    for (const auto& c : cases) {
        RunState run = runFor(false);
        readInputEvents(file(c.lines), run);
        EXPECT_TRUE(run.error);
        EXPECT_EQ(run.message, c.message) << (c.lines.empty() ? "" : c.lines[0]);
        EXPECT_EQ(run.checkBeeps, 1);
    }
}

TEST(InputEvents, FiveHundredAtMostAndNoCrashOnGarbage) {
    std::vector<std::string> lines;
    for (int j = 1; j <= 501; ++j) {
        lines.push_back(std::to_string(j) + "\t6\t1\t2005\t1\t1.000\t50.0");
    }
    RunState run = runFor(false);
    readInputEvents(file(lines), run);
    EXPECT_TRUE(run.error);
    lines.pop_back();
    RunState ok = runFor(false);
    readInputEvents(file(lines), ok);
    EXPECT_FALSE(ok.error) << ok.message;
    EXPECT_EQ(ok.events.size(), 500u);

    std::string garbage = inputEventsHeading();
    for (int k = 0; k < 2000; ++k) {
        garbage += static_cast<char>((k * 7919) % 256);
    }
    RunState g = runFor(false);
    readInputEvents(garbage, g);
    EXPECT_TRUE(g.error);
}

} // namespace
} // namespace orvek
