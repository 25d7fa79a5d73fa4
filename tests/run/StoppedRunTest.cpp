// A run asked to stop from another thread: it ends at the next day or just before writing, and
// the result files of the run before stay exactly as they were.

#include "RunFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>

namespace orvek {
namespace {

using test::date;

const char* const kResultFiles[] = {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                                    "ResultMonthlyForMemo.~", "SettingRecord.~"};

struct StoppedRun : test::RunFixture {
    StoppedRun() {
        useMilwaukeeWeather();
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2005, 12, 31);
        setRow(1, 1, "4", "90", date(2005, 8, 1));
    }
    std::map<std::string, std::string> results() const {
        std::map<std::string, std::string> files;
        for (const char* name : kResultFiles) {
            files[name] = result(name);
        }
        return files;
    }
    // A previous run's files, then a longer run of other inputs in the same folder.
    std::map<std::string, std::string> previousRun() {
        EXPECT_TRUE(run().ok);
        const auto before = results();
        page.endDate = date(2010, 12, 31);
        setRow(2, 2, "1.5", "50", date(2006, 4, 1));
        env.stop = &stop;
        return before;
    }
    std::atomic<bool> stop{false};
};

TEST(StoppedRunTest, AStopDuringTheDaysWritesNoResultFile) {
    StoppedRun fixture;
    const auto before = fixture.previousRun();
    int days = 0;
    fixture.env.progress = [&](int) {
        if (++days == 400) {
            fixture.stop = true;
        }
    };
    const RunOutcome outcome = fixture.run();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.message.empty());
    EXPECT_EQ(days, 400); // ended at the next day, not at the end of the period
    EXPECT_EQ(fixture.results(), before);
}

TEST(StoppedRunTest, AStopAfterTheLastDayStillWritesNothing) {
    StoppedRun fixture;
    const auto before = fixture.previousRun();
    int days = 0;
    fixture.env.progress = [&](int) {
        if (++days == 2191) { // 31 December 2010, the last day
            fixture.stop = true;
        }
    };
    const RunOutcome outcome = fixture.run();
    EXPECT_EQ(days, 2191);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(fixture.results(), before);
}

TEST(StoppedRunTest, AFlagNeverSetChangesNothingOfTheRun) {
    StoppedRun plain;
    plain.page.endDate = date(2010, 12, 31);
    ASSERT_TRUE(plain.run().ok);
    StoppedRun watched;
    watched.page.endDate = date(2010, 12, 31);
    watched.env.stop = &watched.stop;
    const RunOutcome outcome = watched.run();
    EXPECT_TRUE(outcome.ok);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(plain.results(), watched.results());
}

} // namespace
} // namespace orvek
